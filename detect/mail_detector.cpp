// The mail-file detector: finds the uuencoded mail worm in a file (the hosts file, after each
// detection) and removes or renames it as the user chose, one result line.
#include <windows.h>

#include <cstring>

#include "base/file_reader.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "detect/detect.h"
#include "disinfect/dispose.h"
#include "match/mail_match.h"

// Working windows and the name of the last record that matched, reused for each file.
MailWindows g_mailWindows;
char g_mailMatchedName[sizeof(MailRecord().name) + 1];
bool g_mailPatternsPlain = false;

// No attribute reset, no process ending and no deletion at restart: a read-only or held mail file
// is reported, not forced.
const DisposalTexts kMailDisposal = {false, "Remove failed", "Not Disinfected As Per User's Selection"};

void UnscramblePatterns()
{
    if (g_mailPatternsPlain)
        return;
    UnscrambleMailPatterns(g_mailRecords, kMailRecordCount);
    g_mailPatternsPlain = true;
}

int MatchMailRecords(ScanState& state, ByteReader& file)
{
    int index = MatchMailRecordTable(file, g_mailRecords, kMailRecordCount, g_mailWindows);
    if (index < 0)
        return 0;
    state.filesInfected += 1;
    CopyTextN(g_mailMatchedName, sizeof(g_mailMatchedName), g_mailRecords[index].name,
              sizeof(g_mailRecords[index].name));
    return 1;
}

int MailFileDetector(ScanState& state, const char*, const char* path)
{
    UnscramblePatterns();
    char fileCallPath[kPathSize];
    const char* opened = ForFileCalls(state, path, fileCallPath, sizeof(fileCallPath));
    FileReader file(opened);
    if (!file.IsOpen())
        return 0;
    int matched = MatchMailRecords(state, file);
    if (matched) {
        CopyText(state.currentName, sizeof(state.currentName), g_mailMatchedName);
        CopyText(state.currentText, sizeof(state.currentText), path);
    }
    file.Close();
    if (!matched)
        return 0;

    DisposeInfectedFile(state, path, g_mailMatchedName, kMailDisposal);
    return 1;
}
