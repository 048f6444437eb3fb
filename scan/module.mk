PORTABLE_SRCS += scan/walk_text.cpp scan/scan_report_text.cpp
WIN32_SRCS += scan/scan_state.cpp scan/scan_run.cpp scan/walker.cpp scan/scan_report.cpp
