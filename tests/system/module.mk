WINE_PROGRAMS += tests/system/system_probe.cpp
NATIVE_TESTS += tests/system/process_list_test.cpp
FUZZERS += tests/system/perf_data_fuzz.cpp
NATIVE_TESTS += tests/system/memory_scan_node_test.cpp
WINE_TESTS += tests/system/memory_restart_wine_test.cpp
