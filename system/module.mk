WIN32_SRCS += system/system_stub.cpp system/version.cpp
