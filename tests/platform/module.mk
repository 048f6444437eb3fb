WINE_PROGRAMS += tests/platform/system_probe.cpp
NATIVE_TESTS += tests/platform/process_list_test.cpp
FUZZERS += tests/platform/perf_data_fuzz.cpp
WINE_TESTS += tests/platform/registry_wine_test.cpp tests/platform/event_log_wine_test.cpp
NATIVE_TESTS += tests/platform/held_file_rules_test.cpp
