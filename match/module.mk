PORTABLE_SRCS += match/signature_data.S match/signature_match.cpp match/mail_match.cpp match/signature_lengths.cpp \
                 match/autostart_match.cpp
# The table's bytes are assembled in; rebuild when the generated file changes.
$(B)/win/obj/match/signature_data.o $(B)/native/obj/match/signature_data.o: match/signatures.bin
