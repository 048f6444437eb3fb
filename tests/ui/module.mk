NATIVE_TESTS += tests/ui/shape_runs_test.cpp tests/ui/message_layout_test.cpp tests/ui/paint_pace_test.cpp
WINE_TESTS += tests/ui/ui_wine_test.cpp tests/ui/result_list_wine_test.cpp tests/ui/main_messages_wine_test.cpp
# The probe shows the product's dialogs and bitmaps, so it carries the product's resources.
WINE_GUI_PROGRAMS += tests/ui/ui_probe.cpp
WITH_PRODUCT_RESOURCES += tests/ui/ui_probe.cpp
