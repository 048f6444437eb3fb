// Benchmark (b): the walker's two directory passes and the detector's header reads per file,
// with no detector table and no window messages. Usage: bench_bare_walk FOLDER
#include "tools/bench/bench_common.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char pattern[MAX_PATH];
    FormatText(pattern, sizeof(pattern), "%s\\*.*", argv[1]);
    bench::WindowWork none = {false, nullptr};
    double start = bench::Seconds();
    long files = bench::BareWalk(pattern, none);
    printf("seconds=%.3f files=%ld", bench::Seconds() - start, files);
    bench::PrintPeakMemory();
    printf("\n");
    return 0;
}
