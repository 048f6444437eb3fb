PORTABLE_SRCS += disinfect/wininit_text.cpp
WIN32_SRCS += disinfect/disinfect_stub.cpp
