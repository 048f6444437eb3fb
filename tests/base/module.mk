NATIVE_TESTS += tests/base/clib_test.cpp tests/base/command_line_test.cpp
NATIVE_TESTS += tests/base/system_folders_test.cpp
