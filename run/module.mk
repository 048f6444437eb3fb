PORTABLE_SRCS += run/result_sink.cpp run/scan_events.cpp run/system_folders.cpp run/scan_report_text.cpp run/command_line.cpp \
                 run/scan_id.cpp
WIN32_SRCS += run/scan_state.cpp run/scan_report.cpp run/run_options.cpp run/report_sink.cpp
