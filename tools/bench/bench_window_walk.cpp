// Benchmark (c): the bare walk plus the walker's window work: one pumped message before and after
// every first-pass entry and before every second-pass entry, and the shortened path of every
// first-pass entry set on a static control of a hidden window. Usage: bench_window_walk FOLDER
#include "tools/bench/bench_common.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char pattern[260];
    FormatText(pattern, sizeof(pattern), "%s\\*.*", argv[1]);
    bench::WindowWork work = {true, nullptr};
    bench::MakeHiddenWindow(DefWindowProcA, &work.label);
    double start = bench::Seconds();
    long files = bench::BareWalk(pattern, work);
    printf("seconds=%.3f files=%ld", bench::Seconds() - start, files);
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
