PORTABLE_SRCS += base/system_folders.cpp base/text.cpp base/byte_reader.cpp base/clib.cpp base/scan_report_text.cpp base/command_line.cpp
WIN32_SRCS += base/file_reader.cpp base/scan_state.cpp base/scan_report.cpp base/run_options.cpp
# Start-up and C-library names of the release exe, which links no C run-time; never in a test program.
PRODUCT_RUNTIME += base/runtime_win32.cpp
# These loops are memcpy and memset in the release exe: the compiler must not turn them into calls.
$(B)/win/obj/base/clib.o $(B)/win/obj/base/runtime_win32.o: WIN_CXXFLAGS += -fno-tree-loop-distribute-patterns
