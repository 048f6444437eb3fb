NATIVE_TESTS += tests/base/clib_test.cpp
NATIVE_TESTS += tests/base/sha256_test.cpp
