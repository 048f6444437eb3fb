PORTABLE_SRCS += scan/walk_text.cpp scan/memory_scan_node.cpp
WIN32_SRCS += scan/event_sink.cpp scan/scan_run.cpp scan/walker.cpp scan/memory_scan.cpp
