# Walk benchmarks (run by tools/bench/run_bench.sh, never by the test runner).
WINE_PROGRAMS += tools/bench/bench_scan_run.cpp tools/bench/bench_bare_walk.cpp tools/bench/bench_window_walk.cpp
