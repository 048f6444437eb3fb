// Autostart cleanup: machine-wide Run and RunServices values that start a detected file, and the
// hosts file offered to the detector the caller names.
#include <windows.h>
#include <cstring>

#include "run/run_options.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/autostart.h"
#include "disinfect/quarantine_store.h"
#include "match/autostart_match.h"
#include "platform/path_spellings.h"
#include "platform/version.h"
#include "platform/registry.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
// Under WOW64 the Run keys exist twice, one per view; otherwise there is one and no flag is passed.
int AutostartViews(const Wow64View& wow64, RegistryView views[2])
{
    if (!wow64.active) {
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
    ViewForms(const char* const* baseForms, const Wow64View& wow64, RegistryView view)
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
            int count = ViewSpellings(baseForms[i], wow64, view, m_text + i * kMaxViewSpellings);
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
void RememberValue(ScanState& s, const char* valueName, const char* expanded)
{
    if (!CopyText(s.autostartValueName, sizeof(s.autostartValueName), valueName))
        s.autostartValueName[0] = '\0';
    if (expanded == nullptr || s.autostartValueName[0] == '\0' ||
        !CopyText(s.autostartValueData, sizeof(s.autostartValueData), expanded))
        s.autostartValueData[0] = '\0';
}

const char* KeyName(const char* subkey)
{
    const char* slash = std::strrchr(subkey, '\\');
    return slash != nullptr ? slash + 1 : subkey;
}

// The value as a result names it: its key's last part and its own name.
void NameValue(char* object, size_t objectSize, const char* subkey, const char* valueName)
{
    FormatText(object, objectSize, "%s\\%s", KeyName(subkey), valueName);
}

// Deletes one autostart value, its view, key, name, type and data recorded in the quarantine first;
// 1 when it was deleted. A value that cannot be recorded is still deleted, and the report says so.
int DeleteKeptValue(ScanState& s, HKEY root, const char* subkey, const char* valueName, RegistryView view,
                    const char* name)
{
    // On the heap: a record holds the value's data whole.
    QuarantineRecord* record = s.quarantine != nullptr ? new QuarantineRecord : nullptr;
    char key[kRegistryKeySize];
    bool read = record != nullptr && root == HKEY_LOCAL_MACHINE &&
                FormatText(key, sizeof(key), "HKEY_LOCAL_MACHINE\\%s", subkey) &&
                s.quarantine->ReadValue(view, key, valueName, *record);
    int deleted = DeleteRegistryValue(root, subkey, valueName, view);
    if (deleted != 1 || s.quarantine == nullptr) {
        delete record;
        return deleted;
    }
    if (read) {
        CopyText(record->detection, sizeof(record->detection), name);
        CopyText(record->action, sizeof(record->action), "remove value");
        CopyText(record->result, sizeof(record->result), "removed");
    }
    if (!read || !s.quarantine->Append(*record)) {
        char line[kReportLineChars];
        FormatText(line, sizeof(line), "System Registry value %s in %s not kept in the quarantine: %s", valueName,
                   KeyName(subkey), !s.quarantine->IsOpen() ? "the quarantine folder could not be made"
                                    : read               ? "its record could not be written"
                                                         : "it could not be read whole");
        ScanResults(s).RecordLine(line);
    }
    delete record;
    return deleted;
}

void ReportRemovedValue(ScanState& s, const char* subkey, const char* valueName, const char* name)
{
    if (!ResultLinesHaveReader(s))
        return;
    char object[kReportLineChars];
    NameValue(object, sizeof(object), subkey, valueName);
    SendResult(s, ResultKind::kAutostartRemoved, object, name, "removed", "System Registry     %s removed", name);
}

// The remembered value where it exists again: it goes when it still holds what it held when it was
// matched, or starts the file now detected; a clean program's value of the same name stays.
void DeleteRememberedValue(ScanState& s, const char* subkey, const char* valueName, const char* name,
                           RegistryView view)
{
    AutostartValue value;
    if (!ReadAutostartValue(HKEY_LOCAL_MACHINE, subkey, valueName, view, value))
        return;
    // A remembered value is judged even when its data cannot be expanded: it then matches only
    // by what it holds as it stands.
    const char* expandedText = value.ExpandedText();

    AutostartMatch now = kStartsOther;
    char detected[sizeof(s.detectedPath)];
    CopyText(detected, sizeof(detected), s.detectedPath);
    LowerInPlace(detected);
    if (std::strrchr(detected, '\\') != nullptr) {
        PathSpellings spellings(detected, true, s.wow64);
        ViewForms forms(spellings.Forms(), s.wow64, view);
        now = MatchAutostartData(value.data.Text(), expandedText, forms.Forms(), kViewForms);
    }
    if (RememberedValueStillInfected(expandedText != nullptr ? expandedText : "", s.autostartValueData,
                                     now)) {
        if (DeleteKeptValue(s, HKEY_LOCAL_MACHINE, subkey, valueName, view, name) == 1)
            ReportRemovedValue(s, subkey, valueName, name);
        return;
    }
    char object[kReportLineChars];
    NameValue(object, sizeof(object), subkey, valueName);
    SendResult(s, ResultKind::kRefused, object, name, "kept: it now starts another program",
               "System Registry value %s in %s kept: it now starts another program: %s", valueName, KeyName(subkey),
               value.data.Text());
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

int CleanAutostart(ScanState& s, const char* name, HostsFileDetector hostsDetector)
{
    char hostsPath[MAX_PATH];
    if (hostsDetector != nullptr && GetHostsFilePath(GetPlatformCode(), hostsPath, sizeof(hostsPath)))
        hostsDetector(s, kFamilyDetectionName, hostsPath);

    RegistryView views[2];
    int viewCount = AutostartViews(s.wow64, views);
    if (s.autostartValueName[0] != '\0') {
        // Whatever wrote the value for an earlier detection may have written it again.
        char valueName[sizeof(s.autostartValueName)];
        CopyText(valueName, sizeof(valueName), s.autostartValueName);
        for (int v = 0; v < viewCount; ++v) {
            DeleteRememberedValue(s, kRunKey, valueName, name, views[v]);
            DeleteRememberedValue(s, kRunServicesKey, valueName, name, views[v]);
        }
    }
    if (s.detectedPath[0] != '\0') {
        for (int v = 0; v < viewCount; ++v) {
            ScanAutostartValues(s, HKEY_LOCAL_MACHINE, kRunKey, views[v]);
            ScanAutostartValues(s, HKEY_LOCAL_MACHINE, kRunServicesKey, views[v]);
        }
    }
    return 1;
}

void ScanAutostartValues(ScanState& s, HKEY root, const char* subkey, RegistryView view)
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
    char detectedPath[sizeof(s.detectedPath)];
    CopyTextN(detectedPath, sizeof(detectedPath), s.detectedPath, sizeof(s.detectedPath) - 1);
    PathSpellings spellings(detectedPath, true, s.wow64);
    ViewForms forms(spellings.Forms(), s.wow64, view);
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
            if (DeleteKeptValue(s, root, subkey, valueName, view, detectionName) == 1) {
                RememberValue(s, valueName, expandedText);
                ReportRemovedValue(s, subkey, valueName, detectionName);
                ++deletedCount;
            }
        } else if (match == kStartsByPath) {
            RememberValue(s, valueName, expandedText);
            if (DeleteKeptValue(s, root, subkey, valueName, view, detectionName) == 1) {
                ReportRemovedValue(s, subkey, valueName, detectionName);
                ++deletedCount;
            }
        }
    }
}
