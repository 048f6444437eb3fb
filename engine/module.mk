PORTABLE_SRCS += engine/signature_data.S engine/signature_match.cpp engine/mail_match.cpp \
                 engine/signature_lengths.cpp
WIN32_SRCS += engine/signature_detector.cpp engine/mail_detector.cpp
# The table's bytes are assembled in; rebuild when the generated file changes.
$(B)/win/obj/engine/signature_data.o $(B)/native/obj/engine/signature_data.o: engine/signatures.bin
