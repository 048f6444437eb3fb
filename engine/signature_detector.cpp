// The signature detector: opens one file, matches it against the built-in table and hands a
// detection to the autostart cleanup and the disposal of the infected file.
#include <cstring>

#include "base/text.h"
#include "disinfect/disinfect.h"
#include "base/file_reader.h"
#include "engine/engine.h"
#include "engine/signature_match.h"
#include "scan/scan_state.h"

const DetectorEntry kDetectorTable[] = {
    {"W32/KYR.Trojan", SignatureDetector},
    {nullptr, nullptr},
};

// Headers of the file being examined; the detector is not reentrant.
PeImageInfo g_peImageInfo;

int SignatureDetector(const char* name, const char* path)
{
    ScanState& state = g_scanState;
    if (state.memoryDisposition != 0 && state.mainWindow != nullptr) {
        // Second pass of the memory scan: the process is gone, only the file remains to dispose of.
        RemoveFromMemory(path, name);
        return 0;
    }
    if (state.filesInfected == 0)
        std::memset(state.autostartValueName, 0, sizeof(state.autostartValueName));

    FileReader file(path);
    if (!file.IsOpen())
        return 0;
    std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
    CopyText(state.detectedPath, sizeof(state.detectedPath), path);

    int index = MatchSignatureTable(file, kSignatureTable, g_peImageInfo);
    // Closed before the cleanup and the disposal, which delete or move the file.
    file.Close();
    if (index < 0) {
        std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
        return 0;
    }

    char recordName[sizeof(kSignatureTable[0].name) + 1];
    CopyTextN(recordName, sizeof(recordName), kSignatureTable[index].name, sizeof(kSignatureTable[0].name));
    state.filesInfected += 1;
    CleanAutostart(recordName);
    CopyText(state.currentName, sizeof(state.currentName), recordName);
    CopyText(state.currentText, sizeof(state.currentText), path);
    if (state.memoryMode) {
        // The memory scan terminates the process first and comes back with memoryDisposition set.
        state.memoryMatch = true;
        return 1;
    }
    DisposeInfectedFile(path, recordName);
    std::memset(state.detectedPath, 0, sizeof(state.detectedPath));
    return 1;
}
