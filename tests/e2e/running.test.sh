# A running infected program on Windows XP: the memory scan terminates it and removes its file, and
# the tool then ends at once with exit code 0, without walking the drives. (The result lines of this
# run cannot be read from outside: the window is gone before it answers another process again.)
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL"
e2e_prefix running
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
agent='C:\agent\kyragent.exe'
name=$(plant_program "$agent")
[ -n "$name" ] || abort "the fixture tool could not make an infected program"
start_program "$agent"
plant 1 'C:\infected\other.exe' >/dev/null

start_tool
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
wait_tool_exit 60 || abort "the tool did not end after finding the program in memory"
check "exit code" "0" "$TOOL_EXIT"
tvx_poll 60 tvx_ended "$AGENT_PID" || abort "the infected program is still running"
[ ! -e "$(unix_path "$E2E_PREFIX" "$agent")" ] || abort "the infected program's file is still there"
# The tool ended before any drive was walked, so a file that only the walk would meet is still there.
[ -e "$(unix_path "$E2E_PREFIX" 'C:\infected\other.exe')" ] || abort "the drives were walked"
echo "running-program scenario passed"
