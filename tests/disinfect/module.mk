NATIVE_TESTS += tests/disinfect/wininit_text_test.cpp
FUZZERS += tests/disinfect/wininit_fuzz.cpp
WINE_PROGRAMS += tests/helpers/tvx_test_service.cpp
WINE_PROGRAMS += tests/disinfect/service_wine.cpp
WINE_PROGRAMS += tests/disinfect/dispose_wine.cpp
WINE_PROGRAMS += tests/disinfect/autostart_wine.cpp
NATIVE_TESTS += tests/disinfect/autostart_match_test.cpp
