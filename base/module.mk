PORTABLE_SRCS += base/text.cpp base/byte_reader.cpp base/clib.cpp base/sha256.cpp
WIN32_SRCS += base/file_reader.cpp
# Start-up and C-library names of the release exe, which links no C run-time; never in a test program.
PRODUCT_RUNTIME += base/runtime_win32.cpp
# These loops are memcpy and memset in the release exe: the compiler must not turn them into calls.
$(B)/win/obj/base/clib.o $(B)/win/obj/base/runtime_win32.o: WIN_CXXFLAGS += -fno-tree-loop-distribute-patterns
