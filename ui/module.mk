WIN32_SRCS += ui/ui_stub.cpp
PRODUCT_MAIN := ui/app_main.cpp
RC_FILES += ui/tarvex.rc
