// The run's switches and the message boxes that a quiet run writes to its report instead.
#include "run/run_options.h"

#include <windows.h>

#include "run/scan_report.h"
#include "run/scan_state.h"
#include "base/text.h"

RunOptions g_runOptions;

bool ResultLinesHaveReader(const ScanState& s)
{
    return s.mainWindow != nullptr || g_runOptions.quiet;
}

void ShowSystemNotice(const char* text, const char* caption)
{
    if (!g_runOptions.quiet) {
        MessageBoxA(nullptr, text, caption, 0);
        return;
    }
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "Message not shown in the quiet run: %s (%s)", text, caption);
    ReportLine(line);
}
