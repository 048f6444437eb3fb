// Benchmark (c): the bare walk plus the walker's window work: one pumped message before and after
// every first-pass entry and before every second-pass entry, and the shortened path of every
// first-pass entry set on a static control of a window that stays hidden, or with --shown is on
// screen so that the label's text changes are painted as the tool's are.
// Usage: bench_window_walk FOLDER [--shown]
#include <cstring>

#include "tools/bench/bench_common.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char pattern[260];
    FormatText(pattern, sizeof(pattern), "%s\\*.*", argv[1]);
    bench::WindowWork work = {true, nullptr};
    HWND window = bench::MakeHiddenWindow(DefWindowProcA, &work.label);
    if (argc > 2 && std::strcmp(argv[2], "--shown") == 0) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    double start = bench::Seconds();
    long files = bench::BareWalk(pattern, work);
    printf("seconds=%.3f files=%ld", bench::Seconds() - start, files);
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
