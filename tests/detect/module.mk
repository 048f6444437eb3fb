WINE_TESTS += tests/detect/detectors_wine_test.cpp
