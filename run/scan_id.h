// A scan's ID as text: the name of the scan's folder in the quarantine and what /UNDO:ID names
// (portable).
#pragma once
#include <cstddef>

// 31 characters and a terminator.
const size_t kScanIdSize = 32;

// Digits with single dashes between them ("20261210-100738"), 31 at most: a folder name that
// can neither climb nor name a device.
bool IsScanIdText(const char* text);
