WINE_TESTS += tests/mainwindow/result_list_test.cpp
