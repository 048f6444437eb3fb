NATIVE_TESTS += tests/base/clib_test.cpp
NATIVE_TESTS += tests/base/system_folders_test.cpp
