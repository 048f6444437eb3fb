PORTABLE_SRCS += platform/process_list.cpp platform/held_file_rules.cpp
WIN32_SRCS += platform/version.cpp platform/restart.cpp platform/process_win32.cpp platform/process_kill.cpp platform/perf_data_win32.cpp \
              platform/path_spellings.cpp platform/registry.cpp platform/event_log.cpp platform/held_file.cpp
