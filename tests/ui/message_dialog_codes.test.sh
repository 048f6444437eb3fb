#!/usr/bin/env bash
# The message dialog's result codes: every button, Enter, Escape and the close box in each set.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
tvx_use_shared_prefix
source "$TVX_ROOT/tests/ui/message_probe_lib.sh"

# The code of every way out.   label | style | action | argument | code
while IFS='|' read -r case_label style action argument code; do
    [ -z "$case_label" ] && continue
    start_probe "$style" "Restart now?" || continue
    auto "$action" "$SEL" $argument >/dev/null
    finish_probe "$code"
done <<'TABLE'
yes_button|36|click|6|6
no_button|36|click|7|7
enter_in_yesno|36|key|13|6
closebox_in_yesno|36|syscmd|61536|7
ok_of_okcancel|65|click|1|1
cancel_of_okcancel|65|click|2|2
enter_in_okcancel|65|key|13|1
closebox_in_okcancel|65|syscmd|61536|2
single_ok|0|click|3|1
enter_in_ok|0|key|13|1
TABLE

exit $status
