WINE_PROGRAMS += tools/automation/tvxauto.cpp
