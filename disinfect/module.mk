WIN32_SRCS += disinfect/disinfect_stub.cpp
