PORTABLE_SRCS += system/process_list.cpp
WIN32_SRCS += system/system_stub.cpp system/version.cpp
