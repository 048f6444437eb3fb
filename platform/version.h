// The platform codes that choose every platform-dependent technique, the Windows version and the
// WOW64 question.
#pragma once
#include "base/product.h"
#include "run/system_folders.h"
#include "base/windows_version.h"

// kPlatformWindows9x, kPlatformNt, kPlatformOther, or kPlatformFailed. Asked afresh each call.
int GetPlatformCode();
// kNtVersion4 (NT 4 and earlier), kNtVersion5 (NT 5.x), or kNtVersionNone.
int GetNtVersionCode();
// Whether this 32-bit program runs under WOW64, and the Windows folder's spellings that its path
// rules need. Asked once per scan: a system without IsWow64Process (95/98/ME, NT 4, 2000, early
// XP) or that does not answer is taken as no WOW64.
void QueryWow64View(Wow64View& view);
// False when GetVersionExA failed; version is then left zero.
bool QueryWindowsVersion(WindowsVersion& version);
