NATIVE_TESTS += tests/engine/signature_table_test.cpp tests/engine/signature_match_test.cpp \
                tests/engine/mail_match_test.cpp \
                tests/engine/signature_lengths_test.cpp
WINE_TESTS += tests/engine/detectors_wine_test.cpp
NATIVE_TOOLS += tests/engine/match_files.cpp
FUZZERS += tests/engine/signature_fuzz.cpp tests/engine/mail_fuzz.cpp
WINE_PROGRAMS += tests/engine/exit_code_program.cpp
