NATIVE_TESTS += tests/base/clib_test.cpp
