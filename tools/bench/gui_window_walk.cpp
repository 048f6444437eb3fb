// Benchmark (c) with its window on screen: the bare walk plus the walker's window work, with the
// host window shown so that the label's text changes are painted as the tool's are.
// Usage: gui_window_walk FOLDER
#include "tools/bench/bench_common.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char pattern[260];
    FormatText(pattern, sizeof(pattern), "%s\\*.*", argv[1]);
    bench::WindowWork work = {true, nullptr};
    HWND window = bench::MakeHiddenWindow(DefWindowProcA, &work.label);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    double start = bench::Seconds();
    long files = bench::BareWalk(pattern, work);
    printf("seconds=%.3f files=%ld", bench::Seconds() - start, files);
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
