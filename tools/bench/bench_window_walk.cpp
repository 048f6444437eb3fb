// Benchmark (c): the bare walk plus the walker's window work: one pumped message before and after
// every first-pass entry and before every second-pass entry, and the shortened path of every
// first-pass entry set on a static control of a window that stays hidden, or with --shown is on
// screen so that the label's text changes are painted as the tool's are. With --no-open it is
// program (c0): the same walk and window work, opening no file.
// Usage: bench_window_walk FOLDER [--shown] [--no-open]
#include <cstring>

#include "tools/bench/bench_common.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char pattern[MAX_PATH];
    FormatText(pattern, sizeof(pattern), "%s\\*.*", argv[1]);
    bench::WindowWork work = {true, nullptr};
    HWND window = bench::MakeHiddenWindow(DefWindowProcA, &work.label);
    bool openFiles = true;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--shown") == 0) {
            ShowWindow(window, SW_SHOW);
            UpdateWindow(window);
        } else if (std::strcmp(argv[i], "--no-open") == 0) {
            openFiles = false;
        }
    }
    double start = bench::Seconds();
    long files = bench::BareWalk(pattern, work, openFiles);
    printf("seconds=%.3f files=%ld", bench::Seconds() - start, files);
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
