PORTABLE_SRCS += base/text.cpp base/byte_reader.cpp
