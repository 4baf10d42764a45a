#!/usr/bin/env bash
# End to end: a termination signal while the start-up's message box is up.
#   startup_signal_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# No port can be opened, so the start-up shows its box. SIGTERM then ends the program within
# 2 s with status 0, through the exit steps once: the settings are written by one exit only.
# Then a signal at the earliest moment the program catches it (its process status shows the
# handler), and one a tenth of a second after the start: each ends the program with status 0.
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

command -v inotifywait >/dev/null || fail "inotifywait is not installed (scripts/setup installs it)"

# Every COM port names a device that does not exist.
# shellcheck disable=SC2034  # read by launch_program
program_com1="$work/missing1"
export VORTLEN3_COM2="$work/missing2" VORTLEN3_COM3="$work/missing3" VORTLEN3_COM4="$work/missing4"

# Each finished write of the settings file, as it is closed or moved into place.
mkdir -p "$work/config/Vortlen3"
watcher_pid=''
stop_on_exit watcher_pid
inotifywait -m -e close_write -e moved_to --format '%e %f' "$work/config/Vortlen3" \
  >"$work/settings-writes" 2>"$work/watcher.err" &
watcher_pid=$!
# On a loaded machine the watcher may take a while to set its watch: a write before that would
# go uncounted.
wait_until 20 grep -q 'Watches established' "$work/watcher.err" ||
  fail "the settings folder's watcher did not start: $(cat "$work/watcher.err")"

start_program
wait_until 30 prints window_named '^Вортлен$' || fail "the start-up's message box did not appear within 30 s"
screenshot 01-startup-box.png || fail "cannot take the screenshot 01-startup-box.png"
note "the start-up box is up"

exit_by_signal_within 2

sleep 0.3
stop_process "$watcher_pid"
watcher_pid=''
# One exit stores three values (show state, set, port), each written through to the file under
# its lock: one closed lock file a write.
writes=$(grep -c ' Vortlen3.ini.lock$' "$work/settings-writes")
[ "$writes" -eq 3 ] ||
  fail "the settings file was written $writes times, not once by one exit: $(cat "$work/settings-writes")"
saved_setting '[%U0413%U043B%U0430%U0432%U043D%U043E%U0435]' '%U041D%U0430%U0431%U043E%U0440' >/dev/null
note "the settings were written by one exit ($writes values)"

# --- a signal in the first moments -----------------------------------------------------------------

# The catcher is in place when the process's caught-signal mask has SIGTERM (bit 15).
catches_term() {
  local mask
  mask=$(sed -n 's/^SigCgt:\t*//p' "/proc/$1/status" 2>/dev/null)
  [ -n "$mask" ] && (((16#$mask >> 14) & 1))
}

for moment in earliest 0.1; do
  launched=$(now_ms)
  launch_program "$program"
  early_pid=$program_pid
  if [ "$moment" = earliest ]; then
    while running "$early_pid" && ! catches_term "$early_pid"; do :; done
  else
    sleep "$moment"
  fi
  caught_ms=$(($(now_ms) - launched))
  kill -TERM "$early_pid" 2>/dev/null || fail "the program ended before the signal ($moment)"
  wait_until 15 not running "$early_pid" || fail "a signal at $moment did not end the program"
  wait "$early_pid"
  status=$?
  program_pid=''
  [ "$status" -eq 0 ] ||
    fail "a SIGTERM ${caught_ms} ms after the start ended the program with status $status"
  note "a SIGTERM ${caught_ms} ms after the start ($moment): status 0"
done
note "passed"
