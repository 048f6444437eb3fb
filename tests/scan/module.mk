NATIVE_TESTS += tests/scan/walk_text_test.cpp
WINE_PROGRAMS += tests/scan/scan_host.cpp
