// Whether the maker's antivirus product is installed.
#pragma once

const char kProductKey[] = "Software\\Quorbis\\Zentalor 2000";
const char kProductValue[] = "Installed Folder";

// True when the maker's antivirus product is installed: its key opens and holds the value
// "Installed Folder" (whatever its type or length; the data are not used).
bool IsProductInstalled();
