WINE_TESTS += tests/mainwindow/result_list_test.cpp tests/mainwindow/main_messages_test.cpp
