WIN32_SRCS += scan/scan_state.cpp scan/scan_stub.cpp
