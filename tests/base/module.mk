NATIVE_TESTS += tests/base/clib_test.cpp tests/base/command_line_test.cpp
NATIVE_TESTS += tests/base/system_folders_test.cpp tests/base/scan_report_text_test.cpp
WINE_TESTS += tests/base/scan_report_wine_test.cpp
