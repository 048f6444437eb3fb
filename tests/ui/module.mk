NATIVE_TESTS += tests/ui/shape_runs_test.cpp tests/ui/message_layout_test.cpp tests/ui/paint_pace_test.cpp
WINE_TESTS += tests/ui/ui_wine_test.cpp
# The probe needs the product's resources (dialogs, bitmaps), so it has its own link rule.
UI_PROBE := $(B)/win/tests/ui/ui_probe.exe
$(UI_PROBE): $(B)/win/obj/tests/ui/ui_probe.o $(B)/win/obj/ui/tarvex.res.o $(B)/win/libtarvex.a
	@mkdir -p $(dir $@)
	$(MINGW_CXX) -o $@ $^ -static -static-libgcc -static-libstdc++ -mwindows $(WIN_LIBS)
wine: $(UI_PROBE)
