// The tool's registry access: keys are opened into the scope class, in the registry view asked
// for, and values read, listed and deleted through these few routines.
#pragma once
#include <windows.h>

#include "run/system_folders.h"
#include "base/win32_scope.h"

// Data longer than this is never read as a command line: no command line the system runs is that
// long.
const size_t kMaxRegistryDataSize = 65536;
// What a value-name buffer holds at most (the registry's longest value name), without the
// terminator.
const DWORD kValueNameChars = 16383;

// The flag that selects view when a key is opened: none for kViewOnly, which Windows 2000 and
// earlier, knowing no views, would refuse.
REGSAM ViewFlag(RegistryView view);
// Opens root\subkey with access in view into key; false when it does not open.
bool OpenRegistryKey(HKEY root, const char* subkey, REGSAM access, ScopedRegistryKey& key,
                     RegistryView view = kViewOnly);
// One query of a value (its type is never wanted): data may be null to ask only the size; size
// holds the buffer's size and receives the data's. The system's result code.
LONG QueryRegistryValue(HKEY key, const char* valueName, void* data, DWORD* size);
// Reads a value of an open key whole into data, followed by two zero bytes, so that data stored
// without its terminator (or as a wide string) still ends; got, when given, receives the length
// read. False when the value is missing, longer than maxSize, or cannot be read.
bool ReadRegistryValue(HKEY key, const char* valueName, size_t maxSize, RegistryData& data, DWORD* got = nullptr);
// Reads value valueName of root\subkey whole; 1 when the key opened, both queries succeeded and
// the key closed. Data over kMaxRegistryDataSize gives 0.
int ReadRegistryString(HKEY root, const char* subkey, const char* valueName, RegistryData& data,
                       RegistryView view = kViewOnly);
// The number of values of an open key; false when it cannot be asked.
bool CountRegistryValues(HKEY key, DWORD* count);
// The name of value index of an open key, terminated, into a buffer of kValueNameChars + 1
// characters; false past the last value or on an error.
bool RegistryValueName(HKEY key, DWORD index, char (&name)[kValueNameChars + 1]);
// Deletes one value of root\subkey in view; 1 when it was deleted and the key closed.
int DeleteRegistryValue(HKEY root, const char* subkey, const char* valueName, RegistryView view = kViewOnly);
// Deletes root\subkey, which must have no subkeys on the NT family; 1 when it was deleted.
int DeleteRegistryKey(HKEY root, const char* subkey);
