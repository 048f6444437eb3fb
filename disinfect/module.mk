PORTABLE_SRCS += disinfect/wininit_text.cpp
WIN32_SRCS += disinfect/dispose.cpp disinfect/autostart.cpp disinfect/service.cpp
