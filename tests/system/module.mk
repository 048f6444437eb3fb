WINE_PROGRAMS += tests/system/system_probe.cpp
