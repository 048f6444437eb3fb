PORTABLE_SRCS += disinfect/wininit_text.cpp disinfect/restart_record.cpp
WIN32_SRCS += disinfect/dispose.cpp disinfect/autostart.cpp disinfect/service.cpp disinfect/restart_move.cpp
