# Builds the product (build/tarvex.exe), the Wine-side test programs and the native tests and fuzzers.
# Each folder lists its own sources in a module.mk; this file only knows how to compile them.

MINGW_PREFIX ?= i686-w64-mingw32
MINGW_CXX    ?= $(shell command -v $(MINGW_PREFIX)-g++-win32 >/dev/null 2>&1 && echo $(MINGW_PREFIX)-g++-win32 || echo $(MINGW_PREFIX)-g++)
MINGW_CC     ?= $(shell command -v $(MINGW_PREFIX)-gcc-win32 >/dev/null 2>&1 && echo $(MINGW_PREFIX)-gcc-win32 || echo $(MINGW_PREFIX)-gcc)
WINDRES      ?= $(MINGW_PREFIX)-windres
WINDMC       ?= $(MINGW_PREFIX)-windmc
MINGW_AR     ?= $(MINGW_PREFIX)-ar
NATIVE_CXX   ?= g++
# Debian's own Python, whose zlib makes the release zip's bytes.
PYTHON       ?= /usr/bin/python3
FUZZ_CXX     ?= clang++

B ?= build
# A module.mk may name a rule before `all`; plain `make` still builds everything.
.DEFAULT_GOAL := all
INCLUDES := -I.
COMMON_FLAGS := -std=c++17 -O2 -g -Wall -Wextra -fno-exceptions -fno-rtti
# The source folder is mapped to "." in the debug information, so the folder a build runs in leaves no
# trace in tarvex.debug (and so none in the exe's debug-link checksum).
WIN_CXXFLAGS := $(COMMON_FLAGS) -DWINVER=0x0400 -D_WIN32_WINNT=0x0400 -D_WIN32_IE=0x0400 \
                -fno-asynchronous-unwind-tables -fno-threadsafe-statics -ffile-prefix-map=$(CURDIR)=.
# Subsystem and OS version 4.0 so that 95/98/ME and NT 4 load the image. It links no C run-time and
# no C++ support library: base/runtime_win32.cpp is its start-up and C library, libgcc gives the
# compiler's own helpers (stack probes). The linker writes no time into the header; objcopy, which
# writes the final files, stamps them with SOURCE_DATE_EPOCH instead of the clock.
WIN_LDFLAGS  := -nostdlib -Wl,-e,_TarvexStartup -Wl,--subsystem,windows \
                -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0 \
                -Wl,--major-os-version,4 -Wl,--minor-os-version,0 -Wl,--dynamicbase,--no-nxcompat \
                -Wl,--no-insert-timestamp
MINGW_OBJCOPY ?= $(MINGW_PREFIX)-objcopy
WIN_CONSOLE_LDFLAGS := -static -static-libgcc -static-libstdc++ -mconsole
WIN_LIBS     := -luser32 -lgdi32 -ladvapi32 -lshell32 -lkernel32
NATIVE_FLAGS := $(COMMON_FLAGS) -O1 -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined
FUZZ_FLAGS   := -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
DOCTEST_INC  := -isystem /usr/include/doctest

# Lists filled by the module.mk files:
#   PORTABLE_SRCS  no <windows.h>: built natively (tests, fuzzers) and with mingw (product)
#   WIN32_SRCS     product code that needs Win32
#   PRODUCT_MAIN   the product's entry point (kept out of the library the test programs link)
#   PRODUCT_RUNTIME  the product's start-up and C library (linked only into the product)
#   RC_FILES       resource scripts of the product
#   MC_FILES       message texts of the product, compiled by windmc into build/win/gen/ (same folder
#                  and name, .rc and its .bin), where the resource scripts include them from
#   NATIVE_TESTS   doctest files run natively with sanitizers
#   NATIVE_TOOLS   native command-line tools (one .cpp each, linked with the portable code)
#   WINE_TESTS     doctest files built with mingw and run under Wine
#   WINE_PROGRAMS  stand-alone Win32 programs for the tests (helpers, automation client), console
#   WINE_GUI_PROGRAMS  the same, GUI subsystem
#   WITH_PRODUCT_RESOURCES  Wine-side programs of the lists above that carry the product's resources
#                  (dialogs, bitmaps, icon, manifest); every WINE_TESTS program carries them too
#   FUZZERS        libFuzzer targets (one .cpp each)
#   WINE_TEST_SUPPORT / NATIVE_TEST_SUPPORT  shared test code linked into every Wine / native test program
PORTABLE_SRCS :=
WIN32_SRCS :=
PRODUCT_MAIN :=
PRODUCT_RUNTIME :=
RC_FILES :=
MC_FILES :=
NATIVE_TESTS :=
NATIVE_TOOLS :=
WINE_TESTS :=
WINE_PROGRAMS :=
WINE_GUI_PROGRAMS :=
FUZZERS :=
WITH_PRODUCT_RESOURCES :=
WINE_TEST_SUPPORT :=
NATIVE_TEST_SUPPORT :=
RC_DEPS :=
include $(sort $(wildcard */module.mk) $(wildcard */*/module.mk))

WIN_PORTABLE_OBJS := $(patsubst %.cpp,$(B)/win/obj/%.o,$(filter %.cpp,$(PORTABLE_SRCS))) \
                     $(patsubst %.S,$(B)/win/obj/%.o,$(filter %.S,$(PORTABLE_SRCS)))
WIN_OBJS     := $(patsubst %.cpp,$(B)/win/obj/%.o,$(WIN32_SRCS))
WIN_MAIN_OBJ := $(patsubst %.cpp,$(B)/win/obj/%.o,$(PRODUCT_MAIN))
RUNTIME_OBJS := $(patsubst %.cpp,$(B)/win/obj/%.o,$(PRODUCT_RUNTIME))
RES_OBJS     := $(patsubst %.rc,$(B)/win/obj/%.res.o,$(RC_FILES))
MC_SCRIPTS   := $(patsubst %.mc,$(B)/win/gen/%.rc,$(MC_FILES))
RC_DEPS      += $(MC_SCRIPTS)
NATIVE_OBJS  := $(patsubst %.cpp,$(B)/native/obj/%.o,$(filter %.cpp,$(PORTABLE_SRCS))) \
                $(patsubst %.S,$(B)/native/obj/%.o,$(filter %.S,$(PORTABLE_SRCS)))
WIN_LIB      := $(B)/win/libtarvex.a
NATIVE_LIB   := $(B)/native/libportable.a

NATIVE_TEST_BINS := $(patsubst %.cpp,$(B)/native/%,$(NATIVE_TESTS))
NATIVE_TOOL_BINS := $(patsubst %.cpp,$(B)/native/%,$(NATIVE_TOOLS))
WINE_TEST_BINS   := $(patsubst %.cpp,$(B)/win/%.exe,$(WINE_TESTS))
WINE_PROG_BINS   := $(patsubst %.cpp,$(B)/win/%.exe,$(WINE_PROGRAMS))
WINE_GUI_BINS    := $(patsubst %.cpp,$(B)/win/%.exe,$(WINE_GUI_PROGRAMS))
FUZZ_BINS        := $(patsubst %.cpp,$(B)/fuzz/%,$(FUZZERS))
WINE_SUPPORT_OBJS   := $(patsubst %.cpp,$(B)/win/obj/%.o,$(WINE_TEST_SUPPORT))
NATIVE_SUPPORT_OBJS := $(patsubst %.cpp,$(B)/native/obj/%.o,$(NATIVE_TEST_SUPPORT))
# The one way a test program gets the product's resources: they are among its prerequisites, and
# every Wine link rule links the resource objects it finds there.
RESOURCE_BINS    := $(WINE_TEST_BINS) $(patsubst %.cpp,$(B)/win/%.exe,$(WITH_PRODUCT_RESOURCES))

.PHONY: all product release native wine fuzz clean check
all: product wine native fuzz
product: $(B)/tarvex.exe
wine: $(WINE_TEST_BINS) $(WINE_PROG_BINS) $(WINE_GUI_BINS)
native: $(NATIVE_TEST_BINS) $(NATIVE_TOOL_BINS)
fuzz: $(if $(shell command -v $(FUZZ_CXX) 2>/dev/null),$(FUZZ_BINS))

check: all
	TVX_BUILD=$(abspath $(B)) bash tools/test.sh --no-build

# The time written into the exe, the debug file and the release zip: the last commit's, so that two
# builds of one commit give the same bytes (a tree without git history gets 1980-01-01).
SOURCE_DATE_EPOCH ?= $(or $(shell git -C $(CURDIR) log -1 --format=%ct 2>/dev/null),315532800)

# The stamp in a file that changes only with its value: a new commit relinks the exe, so that an
# incremental build gives what a clean one does.
$(B)/source-date-epoch: FORCE
	@mkdir -p $(dir $@)
	@echo $(SOURCE_DATE_EPOCH) | cmp -s - $@ || echo $(SOURCE_DATE_EPOCH) >$@
FORCE:

# Shipped stripped; its debug information stays beside it in tarvex.debug, named by a debug link.
$(B)/tarvex.exe: $(WIN_MAIN_OBJ) $(RUNTIME_OBJS) $(RES_OBJS) $(WIN_LIB) $(B)/source-date-epoch
	@mkdir -p $(dir $@)
	$(MINGW_CXX) -o $@.full $(WIN_MAIN_OBJ) $(RUNTIME_OBJS) $(RES_OBJS) $(WIN_LIB) $(WIN_LDFLAGS) $(WIN_LIBS) -lgcc
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) $(MINGW_OBJCOPY) --only-keep-debug $@.full $(B)/tarvex.debug
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) $(MINGW_OBJCOPY) --strip-all --add-gnu-debuglink=$(B)/tarvex.debug $@.full $@
	rm -f $@.full
$(B)/tarvex.debug: $(B)/tarvex.exe

# The download for Windows users, in $(B)/release/: tarvex-VERSION.zip (the exe, the user's guide
# README.txt and their SHA256SUMS), and SHA256SUMS for the zip and the exe beside it.
TARVEX_VERSION = $(shell sed -n 's/^.define TARVEX_VERSION_MAJOR \([0-9]*\)$$/\1/p' base/version.h).$(shell \
                 sed -n 's/^.define TARVEX_VERSION_MINOR \([0-9]*\)$$/\1/p' base/version.h)
release: $(B)/tarvex.exe
	rm -rf $(B)/release
	$(PYTHON) tools/release.py --exe $(B)/tarvex.exe --readme README.txt --version $(TARVEX_VERSION) \
	    --epoch $(SOURCE_DATE_EPOCH) --out $(B)/release

$(WIN_LIB): $(WIN_PORTABLE_OBJS) $(WIN_OBJS)
	@mkdir -p $(dir $@)
	rm -f $@ && $(MINGW_AR) rcs $@ $^

$(NATIVE_LIB): $(NATIVE_OBJS)
	@mkdir -p $(dir $@)
	rm -f $@ && ar rcs $@ $^

$(B)/win/obj/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(MINGW_CXX) $(WIN_CXXFLAGS) $(INCLUDES) $(DOCTEST_INC) -MMD -MP -c $< -o $@

$(B)/win/obj/%.o: %.S
	@mkdir -p $(dir $@)
	$(MINGW_CC) $(INCLUDES) -c $< -o $@

$(B)/win/obj/%.res.o: %.rc $(RC_DEPS)
	@mkdir -p $(dir $@)
	$(WINDRES) -I. -I$(dir $<) $(addprefix -I,$(sort $(dir $(MC_SCRIPTS)))) -O coff $< $@

$(MC_SCRIPTS): $(B)/win/gen/%.rc: %.mc
	@mkdir -p $(dir $@)
	$(WINDMC) -h $(dir $@) -r $(dir $@) $<

$(B)/native/obj/%.o: %.cpp
	@mkdir -p $(dir $@)
	$(NATIVE_CXX) $(NATIVE_FLAGS) $(INCLUDES) $(DOCTEST_INC) -MMD -MP -c $< -o $@

$(B)/native/obj/%.o: %.S
	@mkdir -p $(dir $@)
	$(NATIVE_CXX) $(INCLUDES) -c $< -o $@

$(B)/native/tests/doctest_main.o: tests/lib/doctest_main.cpp
	@mkdir -p $(dir $@)
	$(NATIVE_CXX) $(NATIVE_FLAGS) $(DOCTEST_INC) -c $< -o $@

$(B)/win/tests/doctest_main.o: tests/lib/doctest_main.cpp
	@mkdir -p $(dir $@)
	$(MINGW_CXX) $(WIN_CXXFLAGS) $(DOCTEST_INC) -c $< -o $@

$(NATIVE_TEST_BINS): $(B)/native/%: $(B)/native/obj/%.o $(B)/native/tests/doctest_main.o $(NATIVE_SUPPORT_OBJS) $(NATIVE_LIB)
	@mkdir -p $(dir $@)
	$(NATIVE_CXX) $(NATIVE_FLAGS) -o $@ $^

$(NATIVE_TOOL_BINS): $(B)/native/%: $(B)/native/obj/%.o $(NATIVE_SUPPORT_OBJS) $(NATIVE_LIB)
	@mkdir -p $(dir $@)
	$(NATIVE_CXX) $(NATIVE_FLAGS) -o $@ $^

$(RESOURCE_BINS): $(RES_OBJS)

# Wine-side doctest programs need exceptions-free doctest; they are console programs.
$(WINE_TEST_BINS): $(B)/win/%.exe: $(B)/win/obj/%.o $(B)/win/tests/doctest_main.o $(WINE_SUPPORT_OBJS) $(WIN_LIB)
	@mkdir -p $(dir $@)
	$(MINGW_CXX) -o $@ $< $(B)/win/tests/doctest_main.o $(WINE_SUPPORT_OBJS) $(filter %.res.o,$^) $(WIN_LIB) $(WIN_CONSOLE_LDFLAGS) $(WIN_LIBS)

$(WINE_PROG_BINS): $(B)/win/%.exe: $(B)/win/obj/%.o $(WINE_SUPPORT_OBJS) $(WIN_LIB)
	@mkdir -p $(dir $@)
	$(MINGW_CXX) -o $@ $< $(WINE_SUPPORT_OBJS) $(filter %.res.o,$^) $(WIN_LIB) $(WIN_CONSOLE_LDFLAGS) $(WIN_LIBS)

$(WINE_GUI_BINS): $(B)/win/%.exe: $(B)/win/obj/%.o $(WIN_LIB)
	@mkdir -p $(dir $@)
	$(MINGW_CXX) -o $@ $< $(filter %.res.o,$^) $(WIN_LIB) -static -static-libgcc -static-libstdc++ -mwindows $(WIN_LIBS)

$(FUZZ_BINS): $(B)/fuzz/%: %.cpp $(filter %.cpp,$(PORTABLE_SRCS))
	@mkdir -p $(dir $@)
	$(FUZZ_CXX) $(FUZZ_FLAGS) $(INCLUDES) -o $@ $< $(filter %.cpp,$(PORTABLE_SRCS)) $(filter %.S,$(PORTABLE_SRCS))

clean:
	rm -rf $(B)

-include $(shell find $(B) -name '*.d' 2>/dev/null)

# Lists for the test runner.
print-%:
	@echo $($*)
