NATIVE_TESTS += tests/ui/shape_runs_test.cpp tests/ui/message_layout_test.cpp
