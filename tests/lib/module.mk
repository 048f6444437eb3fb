WINE_TEST_SUPPORT += tests/lib/result_window.cpp tests/lib/standing_sinks.cpp tests/lib/file_holder.cpp
