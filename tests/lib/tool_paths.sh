# Where the programs that drive the tool live in a build folder, and how its windows are found.
# Source after TVX_BUILD is set.
TOOL_EXE=$TVX_BUILD/tarvex.exe
AUTO_EXE=$TVX_BUILD/win/tools/automation/tvxauto.exe
HOLDER_EXE=$TVX_BUILD/win/tools/demo/lock_holder.exe
FIXTURE_TOOL=$TVX_BUILD/native/tests/fixtures/make_fixture
TITLE='Tarvex Ver 1.0'
MAIN_SEL="$TITLE@1052"      # the main window: the one with the Scan button
QUESTION_SEL="$TITLE@1086"  # the message dialog: the one with the text line
