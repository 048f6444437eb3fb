// The receivers a Wine test's scan code reaches when the test sets none of its own: the report
// file first, then the window that ResultWindow (or nothing) stands for, as in the tool.
#include "run/report_sink.h"
#include "run/scan_state.h"
#include "scan/scan_run.h"
#include "ui/window_sink.h"

namespace {

struct StandingSinks {
    ReportSink report;
    WindowSink window;
    ResultFanOut results;
    StandingSinks() : report(OpeningOfThisRun()), window(g_scanState, nullptr)
    {
        results.Add(report);
        results.Add(window);
        g_scanState.results = &results;
    }
};

StandingSinks g_standingSinks;

}  // namespace
