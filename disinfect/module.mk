WIN32_SRCS += disinfect/dispose.cpp disinfect/autostart.cpp disinfect/service.cpp
