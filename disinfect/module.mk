PORTABLE_SRCS += disinfect/wininit_text.cpp disinfect/restart_record.cpp disinfect/kept_copy.cpp disinfect/quarantine_record.cpp \
                 disinfect/reg_text.cpp disinfect/quarantine_bounds.cpp
WIN32_SRCS += disinfect/dispose.cpp disinfect/autostart.cpp disinfect/service.cpp disinfect/restart_move.cpp \
              disinfect/quarantine_store.cpp disinfect/quarantine_undo.cpp
