NATIVE_TESTS += tests/disinfect/wininit_text_test.cpp tests/disinfect/kept_copy_test.cpp tests/disinfect/quarantine_record_test.cpp tests/disinfect/reg_text_test.cpp tests/disinfect/quarantine_bounds_test.cpp
FUZZERS += tests/disinfect/wininit_fuzz.cpp tests/disinfect/quarantine_record_fuzz.cpp
WINE_PROGRAMS += tests/disinfect/service_wine_test.cpp
WINE_PROGRAMS += tests/disinfect/dispose_wine_test.cpp
WINE_PROGRAMS += tests/disinfect/autostart_wine_test.cpp
WINE_TESTS += tests/disinfect/quarantine_wine_test.cpp
WINE_PROGRAMS += tests/disinfect/quarantine_plant.cpp
