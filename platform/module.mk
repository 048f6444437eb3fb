PORTABLE_SRCS += system/process_list.cpp system/memory_scan_node.cpp
WIN32_SRCS += system/version.cpp system/process_win32.cpp system/process_kill.cpp system/memory_scan.cpp
