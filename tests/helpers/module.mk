WINE_PROGRAMS += tests/helpers/sleeper.cpp
