WINE_PROGRAMS += tools/demo/lock_holder.cpp
