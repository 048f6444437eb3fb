PORTABLE_SRCS += scan/walk_text.cpp scan/memory_scan_node.cpp
WIN32_SRCS += scan/scan_run.cpp scan/walker.cpp scan/memory_scan.cpp
