NATIVE_TESTS += tests/match/signature_table_test.cpp tests/match/signature_match_test.cpp \
                tests/match/mail_match_test.cpp \
                tests/match/signature_lengths_test.cpp \
                tests/match/autostart_match_test.cpp
NATIVE_TOOLS += tests/match/match_files.cpp
FUZZERS += tests/match/signature_fuzz.cpp tests/match/mail_fuzz.cpp
