PORTABLE_SRCS += base/text.cpp base/byte_reader.cpp
WIN32_SRCS += base/scan_state.cpp
