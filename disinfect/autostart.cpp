// Autostart cleanup: machine-wide Run and RunServices values that start a detected file, and the
// hosts file offered to the detector the caller names.
#include <windows.h>
#include <cstring>

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
    if (g_scanState.mainWindow != nullptr)
        SendResultLine("System Registry     %s removed", name);
}

const char* SkipOpeningQuote(const char* text)
{
    return text[0] == '"' ? text + 1 : text;
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
    char valueName[kValueNameChars + 1];
    DWORD deletedCount = 0;
    // Deleting a value moves the later ones down; the count taken at the start bounds the passes.
    for (DWORD i = 0; i < valueCount; ++i) {
        DWORD nameLength = kValueNameChars;
        if (RegEnumValueA(key.Get(), i - deletedCount, valueName, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        valueName[kValueNameChars] = '\0';
        const char* lastSlash = std::strrchr(detectedPath, '\\');
        if (lastSlash == nullptr)
            break;
        const char* fileName = lastSlash + 1;

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
        // An empty file name would be found in every value.
        if (bare && fileName[0] != '\0' && std::strstr(text, fileName) != nullptr) {
            // A bare name runs from the search path, which holds the system folders.
            if (std::strstr(detectedPath, "\\system\\") != nullptr || std::strstr(detectedPath, "\\system32\\") != nullptr) {
                if (DeleteRegistryValue(root, subkey, valueName) == 1) {
                    RememberValueName(valueName);
                    ReportRemovedValue(detectionName);
                    ++deletedCount;
                }
            }
            continue;
        }
        size_t pathLength = std::strlen(detectedPath);
        if (std::strncmp(SkipOpeningQuote(text), detectedPath, pathLength) == 0 ||
            std::strncmp(SkipOpeningQuote(expanded.Text()), detectedPath, pathLength) == 0) {
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
