// Autostart cleanup: machine-wide Run and RunServices values that start a detected file, and the
// hosts file offered to the detector the caller names.
#include <windows.h>
#include <cstring>

#include "base/scan_report.h"
#include "base/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/disinfect.h"
#include "match/autostart_match.h"
#include "platform/path_spellings.h"
#include "platform/platform.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
// What RegEnumValueA is told the name buffer holds (the registry's longest value name).
const DWORD kValueNameChars = 16383;

enum ExpandResult { kExpanded, kExpansionTooLong, kExpansionFailed };

// Expands environment references into expanded, up to the longest data the registry read takes.
ExpandResult ExpandText(const char* text, RegistryData& expanded)
{
    size_t size = MAX_PATH + 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!expanded.Reserve(size))
            return kExpansionTooLong;
        DWORD needed = ExpandEnvironmentStringsA(text, expanded.Data(), static_cast<DWORD>(size));
        if (needed == 0)
            return kExpansionFailed;
        if (needed <= size) {
            expanded.Data()[size - 1] = '\0';
            return kExpanded;
        }
        if (needed > kMaxRegistryDataSize)
            return kExpansionTooLong;
        size = needed + 1;
    }
    return kExpansionTooLong;
}

// A name that does not fit is not remembered at all: a cut name could be another value's. Data
// that does not fit (or could not be expanded) is not kept: the value then goes again only when
// it starts the file of a later detection.
void RememberValue(const char* valueName, const char* expanded)
{
    if (!CopyText(g_scanState.autostartValueName, sizeof(g_scanState.autostartValueName), valueName))
        g_scanState.autostartValueName[0] = '\0';
    if (expanded == nullptr || g_scanState.autostartValueName[0] == '\0' ||
        !CopyText(g_scanState.autostartValueData, sizeof(g_scanState.autostartValueData), expanded))
        g_scanState.autostartValueData[0] = '\0';
}

void ReportRemovedValue(const char* name)
{
    if (g_scanState.mainWindow != nullptr)
        SendResultLine("System Registry     %s removed", name);
}

const char* KeyName(const char* subkey)
{
    const char* slash = std::strrchr(subkey, '\\');
    return slash != nullptr ? slash + 1 : subkey;
}

// The remembered value where it exists again: it goes when it still holds what it held when it was
// matched, or starts the file now detected; a clean program's value of the same name stays.
void DeleteRememberedValue(const char* subkey, const char* valueName, const char* name)
{
    RegistryData data;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, subkey, valueName, data))
        return;
    LowerInPlace(data.Data());
    RegistryData expanded;
    ExpandResult expansion = ExpandText(data.Text(), expanded);
    if (expansion == kExpanded)
        LowerInPlace(expanded.Data());
    const char* expandedText = expansion == kExpanded ? expanded.Text() : nullptr;

    AutostartMatch now = kStartsOther;
    char detected[sizeof(g_scanState.detectedPath)];
    CopyText(detected, sizeof(detected), g_scanState.detectedPath);
    LowerInPlace(detected);
    if (std::strrchr(detected, '\\') != nullptr) {
        PathSpellings spellings(detected, true);
        now = MatchAutostartData(data.Text(), expandedText, spellings.Forms(), kPathSpellings);
    }
    if (RememberedValueStillInfected(expandedText != nullptr ? expandedText : "", g_scanState.autostartValueData,
                                     now)) {
        if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, subkey, valueName) == 1)
            ReportRemovedValue(name);
        return;
    }
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "System Registry value %s in %s kept: it now starts another program: %s", valueName,
               KeyName(subkey), data.Text());
    ReportLine(line);
}

}  // namespace

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
        DeleteRememberedValue(kRunKey, valueName, name);
        DeleteRememberedValue(kRunServicesKey, valueName, name);
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
    PathSpellings spellings(detectedPath, true);
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
        // Data whose expansion is too long to make is still tested as it stands.
        ExpandResult expansion = ExpandText(data.Text(), expanded);
        if (expansion == kExpansionFailed)
            continue;
        if (expansion == kExpanded)
            LowerInPlace(expanded.Data());
        const char* expandedText = expansion == kExpanded ? expanded.Text() : nullptr;

        AutostartMatch match = MatchAutostartData(data.Text(), expandedText, spellings.Forms(), kPathSpellings);
        if (match == kStartsByName) {
            if (DeleteRegistryValue(root, subkey, valueName) == 1) {
                RememberValue(valueName, expandedText);
                ReportRemovedValue(detectionName);
                ++deletedCount;
            }
        } else if (match == kStartsByPath) {
            RememberValue(valueName, expandedText);
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
