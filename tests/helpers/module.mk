WINE_PROGRAMS += tests/helpers/sleeper.cpp tests/helpers/tvx_test_service.cpp
WINE_PROGRAMS += tests/helpers/exit_code_program.cpp tests/helpers/lock_holder.cpp
