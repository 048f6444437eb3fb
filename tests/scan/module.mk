NATIVE_TESTS += tests/scan/walk_text_test.cpp tests/scan/memory_scan_node_test.cpp
WINE_PROGRAMS += tests/scan/scan_host.cpp tests/scan/event_texts.cpp
# The host shows the product's own message dialog, so it carries the product's resources.
WITH_PRODUCT_RESOURCES += tests/scan/scan_host.cpp
WINE_TESTS += tests/scan/walker_wine_test.cpp tests/scan/memory_restart_wine_test.cpp
