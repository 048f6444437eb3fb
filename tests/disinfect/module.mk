NATIVE_TESTS += tests/disinfect/wininit_text_test.cpp
FUZZERS += tests/disinfect/wininit_fuzz.cpp
