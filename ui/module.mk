PORTABLE_SRCS += ui/shape_runs.cpp ui/message_layout.cpp ui/paint_pace.cpp
WIN32_SRCS += ui/framework.cpp ui/ui_globals.cpp ui/skin_button.cpp ui/cexbutton.cpp ui/ncexbutton.cpp ui/cexlabel.cpp ui/shape.cpp ui/message_dialog.cpp
PRODUCT_MAIN := ui/app_main.cpp
RC_FILES += ui/tarvex.rc
RC_DEPS += base/version.h ui/resource.h ui/artwork.rc ui/dialog_message.rc ui/dialog_main.rc ui/tarvex.manifest
RC_DEPS += $(wildcard ui/art/*.bmp ui/art/*.ico)
WIN32_SRCS += ui/app.cpp ui/main_dialog.cpp ui/result_list.cpp ui/product_check.cpp ui/window_sink.cpp
