WINE_TEST_SUPPORT += tests/lib/result_sink.cpp tests/lib/file_holder.cpp
