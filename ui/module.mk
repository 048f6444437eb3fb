WIN32_SRCS += ui/ui_stub.cpp ui/framework.cpp ui/ui_globals.cpp
PRODUCT_MAIN := ui/app_main.cpp
RC_FILES += ui/tarvex.rc
RC_DEPS += ui/resource.h ui/artwork.rc ui/dialog_message.rc ui/dialog_main.rc ui/tarvex.manifest
