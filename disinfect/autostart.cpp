// Autostart cleanup: machine-wide Run and RunServices values that start a detected file, and the
// hosts file offered to the detector the caller names.
#include <windows.h>
#include <cstring>

#include "base/run_options.h"
#include "base/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/disinfect.h"
#include "platform/platform.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
// What RegEnumValueA is told the name buffer holds (the registry's longest value name).
const DWORD kValueNameChars = 16383;

// Expands environment references into expanded, however long the result.
bool ExpandText(const char* text, RegistryData& expanded)
{
    size_t size = MAX_PATH + 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!expanded.Reserve(size))
            return false;
        DWORD needed = ExpandEnvironmentStringsA(text, expanded.Data(), static_cast<DWORD>(size));
        if (needed == 0)
            return false;
        if (needed <= size) {
            expanded.Data()[size - 1] = '\0';
            return true;
        }
        if (needed > kMaxRegistryDataSize)
            return false;
        size = needed + 1;
    }
    return false;
}

// A name that does not fit is not remembered at all: a cut name could be another value's.
void RememberValueName(const char* valueName)
{
    if (!CopyText(g_scanState.autostartValueName, sizeof(g_scanState.autostartValueName), valueName))
        g_scanState.autostartValueName[0] = '\0';
}

void ReportRemovedValue(const char* name)
{
    if (ResultLinesHaveReader())
        SendResultLine("System Registry     %s removed", name);
}

const char* SkipOpeningQuote(const char* text)
{
    return text[0] == '"' ? text + 1 : text;
}

// The detected file's short (8.3) spelling, lower-cased; empty when the system cannot give it.
void ShortSpelling(const char* path, RegistryData& spelling)
{
    if (!spelling.Reserve(MAX_PATH + 1))
        return;
    DWORD length = GetShortPathNameA(path, spelling.Data(), MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        spelling.Data()[0] = '\0';
    LowerInPlace(spelling.Data());
}

// The detected file's long spelling, lower-cased, however long: each folder's own name as the
// search reports it. Built by hand because GetLongPathNameA is missing on Windows 95 and NT 4 and
// fails when the long path passes MAX_PATH. Empty when a component cannot be looked up.
void LongSpelling(const char* path, RegistryData& spelling)
{
    size_t pathLength = BoundedLength(path, MAX_PATH + 1);
    if (pathLength < 3 || pathLength > MAX_PATH || path[1] != ':' || path[2] != '\\' ||
        std::strchr(path, '*') != nullptr || std::strchr(path, '?') != nullptr)
        return;
    size_t components = 0;
    for (size_t i = 0; i < pathLength; ++i)
        components += path[i] == '\\' ? 1 : 0;
    size_t size = components * MAX_PATH + 4;
    if (!spelling.Reserve(size))
        return;
    char* out = spelling.Data();
    CopyTextN(out, size, path, 2);
    char partial[MAX_PATH + 1];
    bool named = false;  // "d:" alone would begin every value on the drive
    for (size_t end = 3; end <= pathLength; ++end) {
        if (end < pathLength && path[end] != '\\')
            continue;
        if (path[end - 1] == '\\')  // doubled backslash
            continue;
        CopyTextN(partial, sizeof(partial), path, end);
        WIN32_FIND_DATAA entry;
        ScopedFindHandle search(FindFirstFileA(partial, &entry));
        if (!search.IsValid()) {
            out[0] = '\0';
            return;
        }
        entry.cFileName[sizeof(entry.cFileName) - 1] = '\0';
        if (!AppendText(out, size, "\\") || !AppendText(out, size, entry.cFileName)) {
            out[0] = '\0';
            return;
        }
        named = true;
    }
    if (!named)
        out[0] = '\0';
    LowerInPlace(out);
}

// The detected path as the walk spelled it and in its other spelling: a Run value written with
// the long names still starts the file the walk reached through short names, and the other way round.
const int kPathForms = 3;

bool BeginsWithAnyForm(const char* text, const char* const forms[kPathForms])
{
    for (int i = 0; i < kPathForms; ++i) {
        if (forms[i][0] != '\0' && std::strncmp(text, forms[i], std::strlen(forms[i])) == 0)
            return true;
    }
    return false;
}

// The name rule's test: a form's file name anywhere in text.
bool HoldsAnyFileName(const char* text, const char* const forms[kPathForms])
{
    for (int i = 0; i < kPathForms; ++i) {
        const char* lastSlash = std::strrchr(forms[i], '\\');
        // An empty file name would be found in every value.
        if (lastSlash != nullptr && lastSlash[1] != '\0' && std::strstr(text, lastSlash + 1) != nullptr)
            return true;
    }
    return false;
}

bool InSystemFolder(const char* const forms[kPathForms])
{
    for (int i = 0; i < kPathForms; ++i) {
        if (std::strstr(forms[i], "\\system\\") != nullptr || std::strstr(forms[i], "\\system32\\") != nullptr)
            return true;
    }
    return false;
}

}  // namespace

RegistryData::~RegistryData()
{
    if (m_data != nullptr)
        HeapFree(GetProcessHeap(), 0, m_data);
}

bool RegistryData::Reserve(size_t size)
{
    if (size <= m_size)
        return true;
    if (m_data != nullptr)
        HeapFree(GetProcessHeap(), 0, m_data);
    m_data = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    m_size = m_data != nullptr ? size : 0;
    return m_data != nullptr;
}

bool GetHostsFilePath(int platformCode, char* path, size_t pathSize)
{
    char folder[MAX_PATH];
    UINT length = 0;
    const char* tail = nullptr;
    if (platformCode == kPlatformNt) {
        length = GetSystemDirectoryA(folder, sizeof(folder));
        tail = "\\drivers\\etc\\hosts";
    } else if (platformCode == kPlatformWindows9x) {
        length = GetWindowsDirectoryA(folder, sizeof(folder));
        tail = "\\hosts";
    } else {
        return false;
    }
    if (length == 0 || length >= sizeof(folder))
        return false;
    return CopyText(path, pathSize, folder) && AppendText(path, pathSize, tail);
}

int CleanAutostart(const char* name, HostsFileDetector hostsDetector)
{
    char hostsPath[MAX_PATH];
    if (hostsDetector != nullptr && GetHostsFilePath(GetPlatformCode(), hostsPath, sizeof(hostsPath)))
        hostsDetector(kFamilyDetectionName, hostsPath);

    if (g_scanState.autostartValueName[0] != '\0') {
        // Whatever wrote the value for an earlier detection may have written it again.
        char valueName[sizeof(g_scanState.autostartValueName)];
        CopyText(valueName, sizeof(valueName), g_scanState.autostartValueName);
        if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunKey, valueName) == 1)
            ReportRemovedValue(name);
        if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, kRunServicesKey, valueName) == 1)
            ReportRemovedValue(name);
    }
    if (g_scanState.detectedPath[0] != '\0') {
        ScanAutostartValues(HKEY_LOCAL_MACHINE, kRunKey);
        ScanAutostartValues(HKEY_LOCAL_MACHINE, kRunServicesKey);
    }
    return 1;
}

void ScanAutostartValues(HKEY root, const char* subkey)
{
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return;
    DWORD valueCount = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        valueCount == 0)
        return;

    char detectionName[sizeof(kFamilyDetectionName)];
    CopyText(detectionName, sizeof(detectionName), kFamilyDetectionName);
    char* detectedPath = g_scanState.detectedPath;
    detectedPath[sizeof(g_scanState.detectedPath) - 1] = '\0';
    RegistryData shortForm;
    RegistryData longForm;
    ShortSpelling(detectedPath, shortForm);
    LongSpelling(detectedPath, longForm);
    const char* forms[kPathForms] = {detectedPath, shortForm.Text(), longForm.Text()};
    char valueName[kValueNameChars + 1];
    DWORD deletedCount = 0;
    // Deleting a value moves the later ones down; the count taken at the start bounds the passes.
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = kValueNameChars;
        if (RegEnumValueA(key.Get(), i - deletedCount, valueName, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        valueName[kValueNameChars] = '\0';
        if (std::strrchr(detectedPath, '\\') == nullptr)
            break;

        RegistryData data;
        if (!ReadRegistryString(root, subkey, valueName, data))
            continue;
        LowerInPlace(data.Data());
        LowerInPlace(detectedPath);
        RegistryData expanded;
        if (!ExpandText(data.Text(), expanded))
            continue;
        LowerInPlace(expanded.Data());

        const char* text = data.Text();
        bool bare = std::strchr(text, '\\') == nullptr || text[0] == '\\';
        if (bare && HoldsAnyFileName(text, forms)) {
            // A bare name runs from the search path, which holds the system folders.
            if (InSystemFolder(forms)) {
                if (DeleteRegistryValue(root, subkey, valueName) == 1) {
                    RememberValueName(valueName);
                    ReportRemovedValue(detectionName);
                    ++deletedCount;
                }
            }
            continue;
        }
        if (BeginsWithAnyForm(SkipOpeningQuote(text), forms) ||
            BeginsWithAnyForm(SkipOpeningQuote(expanded.Text()), forms)) {
            RememberValueName(valueName);
            if (DeleteRegistryValue(root, subkey, valueName) == 1) {
                ReportRemovedValue(detectionName);
                ++deletedCount;
            }
        }
    }
}

int DeleteRegistryValue(HKEY root, const char* subkey, const char* valueName)
{
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_ALL_ACCESS, key.Out()) != ERROR_SUCCESS)
        return 0;
    bool deleted = RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS;
    bool closed = key.Close();
    return deleted && closed ? 1 : 0;
}

int ReadRegistryString(HKEY root, const char* subkey, const char* valueName, RegistryData& data)
{
    ScopedRegistryKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > kMaxRegistryDataSize)
        return 0;
    // Two spare zero bytes end even data stored without its terminator (or as a wide string).
    if (!data.Reserve(static_cast<size_t>(size) + 2))
        return 0;
    DWORD got = size;
    bool read = RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(data.Data()), &got) ==
                ERROR_SUCCESS;
    if (read) {
        data.Data()[got] = '\0';
        data.Data()[got + 1] = '\0';
    }
    bool closed = key.Close();
    return read && closed ? 1 : 0;
}
