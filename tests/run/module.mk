NATIVE_TESTS += tests/run/command_line_test.cpp tests/run/result_sink_test.cpp
NATIVE_TESTS += tests/run/system_folders_test.cpp tests/run/scan_report_text_test.cpp
WINE_TESTS += tests/run/scan_report_wine_test.cpp
