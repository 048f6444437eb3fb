// Autostart cleanup: machine-wide Run and RunServices values that start a detected file, and the
// hosts file offered to the detector the caller names.
#include <windows.h>
#include <cstring>

#include "run/run_options.h"
#include "run/scan_report.h"
#include "run/scan_results.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/autostart.h"
#include "match/autostart_match.h"
#include "platform/path_spellings.h"
#include "platform/version.h"
#include "platform/registry.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
// Under WOW64 the Run keys exist twice, one per view; otherwise there is one and no flag is passed.
int AutostartViews(RegistryView views[2])
{
    if (!g_scanState.wow64.active) {
        views[0] = kViewOnly;
        return 1;
    }
    views[0] = kView64;
    views[1] = kView32;
    return 2;
}

const int kViewForms = kPathSpellings * kMaxViewSpellings;

// The detected file's forms as a program reading view spells them, lower-cased. The one view of a
// 32-bit Windows takes the forms as they are, however long.
class ViewForms {
public:
    ViewForms(const char* const* baseForms, RegistryView view)
    {
        for (int i = 0; i < kViewForms; ++i) {
            m_text[i][0] = '\0';
            m_forms[i] = m_text[i];
        }
        for (int i = 0; i < kPathSpellings; ++i) {
            if (view == kViewOnly) {
                m_forms[i] = baseForms[i];
                continue;
            }
            if (baseForms[i][0] == '\0')
                continue;
            // A form too long for a path buffer names nothing a program can start.
            int count = ViewSpellings(baseForms[i], g_scanState.wow64, view, m_text + i * kMaxViewSpellings);
            for (int j = 0; j < count; ++j)
                LowerInPlace(m_text[i * kMaxViewSpellings + j]);
        }
    }
    ViewForms(const ViewForms&) = delete;
    ViewForms& operator=(const ViewForms&) = delete;
    const char* const* Forms() const { return m_forms; }

private:
    char m_text[kViewForms][kPathSize];
    const char* m_forms[kViewForms];
};

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

// One Run or RunServices value as the rules compare it: its data lower-cased, and that data with
// its environment references expanded, lower-cased.
struct AutostartValue {
    RegistryData data;
    RegistryData expanded;
    ExpandResult expansion;
    // Null when the data could not be expanded: it is then tested as it stands.
    const char* ExpandedText() const { return expansion == kExpanded ? expanded.Text() : nullptr; }
};

// False when the value cannot be read.
bool ReadAutostartValue(HKEY root, const char* subkey, const char* valueName, RegistryView view, AutostartValue& value)
{
    if (!ReadRegistryString(root, subkey, valueName, value.data, view))
        return false;
    LowerInPlace(value.data.Data());
    value.expansion = ExpandText(value.data.Text(), value.expanded);
    if (value.expansion == kExpanded)
        LowerInPlace(value.expanded.Data());
    return true;
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

// The value as an administrator finds it in the registry editor, with the view it was in.
void ValueObject(char* dest, size_t destSize, const char* subkey, const char* valueName, RegistryView view)
{
    FormatText(dest, destSize, "HKLM\\%s\\%s%s", subkey, valueName,
               view == kView32 ? " (32-bit view)" : view == kView64 ? " (64-bit view)" : "");
}

void ReportRemovedValue(const char* name, const char* subkey, const char* valueName, RegistryView view)
{
    if (!ResultLinesHaveReader())
        return;
    SendResultLine("System Registry     %s removed", name);
    char object[kReportLineChars];
    ValueObject(object, sizeof(object), subkey, valueName, view);
    g_scanResults.Result(ScanResult{ResultKind::kAutostartRemoved, g_scanState.lineBuffer, object, name, "removed"});
}

const char* KeyName(const char* subkey)
{
    const char* slash = std::strrchr(subkey, '\\');
    return slash != nullptr ? slash + 1 : subkey;
}

// The remembered value where it exists again: it goes when it still holds what it held when it was
// matched, or starts the file now detected; a clean program's value of the same name stays.
void DeleteRememberedValue(const char* subkey, const char* valueName, const char* name, RegistryView view)
{
    AutostartValue value;
    if (!ReadAutostartValue(HKEY_LOCAL_MACHINE, subkey, valueName, view, value))
        return;
    // A remembered value is judged even when its data cannot be expanded: it then matches only
    // by what it holds as it stands.
    const char* expandedText = value.ExpandedText();

    AutostartMatch now = kStartsOther;
    char detected[sizeof(g_scanState.detectedPath)];
    CopyText(detected, sizeof(detected), g_scanState.detectedPath);
    LowerInPlace(detected);
    if (std::strrchr(detected, '\\') != nullptr) {
        PathSpellings spellings(detected, true, g_scanState.wow64);
        ViewForms forms(spellings.Forms(), view);
        now = MatchAutostartData(value.data.Text(), expandedText, forms.Forms(), kViewForms);
    }
    if (RememberedValueStillInfected(expandedText != nullptr ? expandedText : "", g_scanState.autostartValueData,
                                     now)) {
        if (DeleteRegistryValue(HKEY_LOCAL_MACHINE, subkey, valueName, view) == 1)
            ReportRemovedValue(name, subkey, valueName, view);
        return;
    }
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "System Registry value %s in %s kept: it now starts another program: %s", valueName,
               KeyName(subkey), value.data.Text());
    ReportLine(line);
    char object[kReportLineChars];
    ValueObject(object, sizeof(object), subkey, valueName, view);
    char action[kReportLineChars];
    FormatText(action, sizeof(action), "value kept: it now starts another program: %s", value.data.Text());
    SendResultOnly(ResultKind::kRefused, object, name, action);
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

    RegistryView views[2];
    int viewCount = AutostartViews(views);
    if (g_scanState.autostartValueName[0] != '\0') {
        // Whatever wrote the value for an earlier detection may have written it again.
        char valueName[sizeof(g_scanState.autostartValueName)];
        CopyText(valueName, sizeof(valueName), g_scanState.autostartValueName);
        for (int v = 0; v < viewCount; ++v) {
            DeleteRememberedValue(kRunKey, valueName, name, views[v]);
            DeleteRememberedValue(kRunServicesKey, valueName, name, views[v]);
        }
    }
    if (g_scanState.detectedPath[0] != '\0') {
        for (int v = 0; v < viewCount; ++v) {
            ScanAutostartValues(HKEY_LOCAL_MACHINE, kRunKey, views[v]);
            ScanAutostartValues(HKEY_LOCAL_MACHINE, kRunServicesKey, views[v]);
        }
    }
    return 1;
}

void ScanAutostartValues(HKEY root, const char* subkey, RegistryView view)
{
    ScopedRegistryKey key;
    if (!OpenRegistryKey(root, subkey, KEY_READ, key, view))
        return;
    DWORD valueCount = 0;
    if (!CountRegistryValues(key.Get(), &valueCount) || valueCount == 0)
        return;

    char detectionName[sizeof(kFamilyDetectionName)];
    CopyText(detectionName, sizeof(detectionName), kFamilyDetectionName);
    // The file's spellings are looked up as detected; the rules compare them lower-cased, and the
    // detector's own record of the path stays as it is.
    char detectedPath[sizeof(g_scanState.detectedPath)];
    CopyTextN(detectedPath, sizeof(detectedPath), g_scanState.detectedPath, sizeof(g_scanState.detectedPath) - 1);
    PathSpellings spellings(detectedPath, true, g_scanState.wow64);
    ViewForms forms(spellings.Forms(), view);
    LowerInPlace(detectedPath);
    char valueName[kValueNameChars + 1];
    DWORD deletedCount = 0;
    // Deleting a value moves the later ones down; the count taken at the start bounds the passes.
    for (DWORD i = 0; i < valueCount; ++i) {
        if (!RegistryValueName(key.Get(), i - deletedCount, valueName))
            continue;
        if (std::strrchr(detectedPath, '\\') == nullptr)
            break;

        AutostartValue value;
        if (!ReadAutostartValue(root, subkey, valueName, view, value))
            continue;
        // Data whose expansion is too long to make is still tested as it stands; data the system
        // cannot expand at all is left alone.
        if (value.expansion == kExpansionFailed)
            continue;
        const char* expandedText = value.ExpandedText();

        AutostartMatch match = MatchAutostartData(value.data.Text(), expandedText, forms.Forms(), kViewForms);
        if (match == kStartsByName) {
            if (DeleteRegistryValue(root, subkey, valueName, view) == 1) {
                RememberValue(valueName, expandedText);
                ReportRemovedValue(detectionName, subkey, valueName, view);
                ++deletedCount;
            }
        } else if (match == kStartsByPath) {
            RememberValue(valueName, expandedText);
            if (DeleteRegistryValue(root, subkey, valueName, view) == 1) {
                ReportRemovedValue(detectionName, subkey, valueName, view);
                ++deletedCount;
            }
        }
    }
}
