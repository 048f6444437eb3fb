PORTABLE_SRCS += base/text.cpp base/byte_reader.cpp base/scan_report_text.cpp
WIN32_SRCS += base/scan_state.cpp base/scan_report.cpp
