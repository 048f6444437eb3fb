WIN32_SRCS += platform/version.cpp platform/process_win32.cpp platform/process_kill.cpp platform/path_spellings.cpp
