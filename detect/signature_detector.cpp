// The signature detector: opens one file, matches it against the built-in table and hands a
// detection to the autostart cleanup and the disposal of the infected file.
#include <cstring>

#include "run/run_options.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "detect/detect.h"
#include "disinfect/autostart.h"
#include "disinfect/dispose.h"
#include "match/signature_lengths.h"
#include "match/signature_match.h"
#include "platform/held_file.h"

const DetectorEntry kDetectorTable[] = {
    {kFamilyDetectionName, SignatureDetector},
    {nullptr, nullptr},
};

// Headers of the file being examined; the detector is not reentrant.
PeImageInfo g_peImageInfo;
// What the built-in table's size rules accept, built at the first call.
SignatureLengths g_signatureLengths;
int32_t g_signatureFileOpens;

int SignatureDetector(ScanState& state, const char* name, const char* path)
{
    if (state.memoryDisposition != 0 && ResultLinesHaveReader(state)) {
        // Second pass of the memory scan: the process is gone, only the file remains to dispose of.
        RemoveFromMemory(state, path, name);
        return 0;
    }
    if (state.filesInfected == 0) {
        std::memset(state.autostartValueName, 0, sizeof(state.autostartValueName));
        std::memset(state.autostartValueData, 0, sizeof(state.autostartValueData));
    }
    // A listed length that no record accepts cannot match: the file is not even opened, and the
    // detector ends as it does for an opened file that matched no record.
    if (!g_signatureLengths.built)
        BuildSignatureLengths(kSignatureTable, g_signatureLengths);
    if (state.listedLength.known && !SignatureLengthsAdmit(g_signatureLengths, state.listedLength.bytes)) {
        std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
        return 0;
    }
    ++g_signatureFileOpens;

    char fileCallPath[kPathSize];
    // Held from the match to the disposal, so that what is removed is what matched.
    HeldFile file;
    if (!file.Open(ForFileCalls(state, path, fileCallPath, sizeof(fileCallPath)))) {
        // A trojan may hold its own file this way: the file was not examined, and the report says so.
        if (!state.memoryMode)
            NoteUnopenedFile(state, path);
        return 0;
    }
    std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
    CopyText(state.detectedPath, sizeof(state.detectedPath), path);

    int index = MatchSignatureTable(file.Reader(), kSignatureTable, g_peImageInfo);
    if (index < 0) {
        std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
        return 0;
    }

    char recordName[sizeof(kSignatureTable[0].name) + 1];
    CopyTextN(recordName, sizeof(recordName), kSignatureTable[index].name, sizeof(kSignatureTable[0].name));
    state.filesInfected += 1;
    CleanAutostart(state, recordName, MailFileDetector);
    CopyText(state.currentName, sizeof(state.currentName), recordName);
    CopyText(state.currentText, sizeof(state.currentText), path);
    if (state.memoryMode) {
        // The memory scan terminates the process first and comes back with memoryDisposition set;
        // that second look opens and matches the file again.
        file.Close();
        state.memoryMatch = true;
        return 1;
    }
    DisposeMatchedFile(state, path, recordName, file);
    std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
    return 1;
}
