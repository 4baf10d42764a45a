#!/usr/bin/env bash
# End to end: the actuator window and its balance test on the simulated ECU.
#   actuators_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# Alt+M in the main window opens "Тесты исполнительных механизмов": it reads relays and
# injectors, then monitors coolant and speed while the main polling rests. "Старт" runs the
# balance test up to Hold, "Стоп" ends it, Escape closes the window with the release request,
# the choices are saved, and the main polling resumes. A termination signal with the window open
# still ends the program cleanly.
set -uo pipefail

readonly initial_read='61 09 0D'
readonly monitor_read='61 1A 2C'
readonly start_write='62 0A 1F 09 02 0B 00'
readonly hold_read='61 26 5C'
readonly stop_write='62 0A 00 0B 00'
readonly window_title='Тесты исполнительных механизмов'
# The value fields' yellow, and the red of the balance test's warning picture.
readonly field_colour='#CCCC30'
readonly warning_red='#FF0000'
# Qt's escaped form of the section "Механизмы" and of the key "Обороты".
readonly actuator_section='[%U041C%U0435%U0445%U0430%U043D%U0438%U0437%U043C%U044B]'
readonly target_key='%U041E%U0431%U043E%U0440%U043E%U0442%U044B'

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# Conditions for wait_until, asked anew on every try.
actuator_window_gone() { [ -z "$(window_named "$window_title")" ]; }

# Clicks the control at (X, Y) in dialog units of the actuator window, whose size is
# 342 × 185 dialog units.
click_in_window() {
  local window=$1 x=$2 y=$3
  window_geometry "$window" || fail "no geometry of the actuator window"
  xdo mousemove $((win_x + x * win_w / 342)) $((win_y + y * win_h / 185)) click 1 ||
    fail "xdotool cannot click at $x, $y"
  xdo mousemove 1279 1023 >/dev/null
}

# Takes screenshots until the actuator window shows its yellow figures (and, with a third
# argument, the red of its warning picture).
screenshot_actuators() {
  local name=$1 want_warning=${2:-} deadline fields=0 red=0
  deadline=$(($(now_ms) + 10000))
  while :; do
    screenshot "$name" || fail "cannot take the screenshot $name"
    fields=$(pixels_of "$artefacts/$name" "$field_colour")
    red=$(pixels_of "$artefacts/$name" "$warning_red")
    if [ "$fields" -ge 50 ] && { [ -z "$want_warning" ] || [ "$red" -ge 200 ]; }; then break; fi
    [ "$(now_ms)" -gt "$deadline" ] &&
      fail "$name: the window shows no figures ($fields field pixels, $red warning pixels)"
    sleep 0.2
  done
  note "screenshot $name ($fields field pixels, $red warning pixels)"
}

start_program
wait_until 15 at_least 1 "$set1_request" 3 ||
  fail "the program did not reach the cycle with set 1 (no set-1 requests within 15 s)"
wait_until 10 prints main_window || fail "the main window did not appear"
note "the main window polls set 1"

# --- Alt+M: the window opens and monitors ------------------------------------------------------

open_line=$(($(log_lines) + 1))
key_in_main_window alt+m
wait_until 5 at_least "$open_line" "$initial_read" 1 || fail "no initial read within 5 s of Alt+M"
wait_until 10 prints window_named "$window_title" || fail "the actuator window did not appear"
actuators=$(window_named "$window_title")
wait_until 5 at_least "$open_line" "$monitor_read" 5 || fail "the actuator window does not monitor"
note "Alt+M: initial read, then monitor reads"
screenshot_actuators 01-actuators-monitor.png

# --- the balance test --------------------------------------------------------------------------

focus_window "$actuators" "the actuator window"
test_line=$(($(log_lines) + 1))
click_in_window "$actuators" 318 141  # "Старт"
wait_until 5 at_least "$test_line" "$start_write" 1 || fail "\"Старт\" sent no start write"
wait_until 5 at_least "$test_line" "$hold_read" 3 || fail "the balance test did not reach Hold"
applied=$(requests_from "$test_line" | grep '^62 0B 20 5B ' | head -n 1)
[ -n "$applied" ] || fail "the balance test applied no regulator position"
note "balance test: start write, settle, measure, \"$applied\", hold"
# Let the engine follow the new regulator position before the picture.
sleep 4
screenshot_actuators 02-balance-hold.png warning

stop_line=$(($(log_lines) + 1))
click_in_window "$actuators" 279 141  # "Стоп"
wait_until 5 at_least "$stop_line" "$stop_write" 1 || fail "\"Стоп\" sent no stop write"
wait_until 5 at_least "$stop_line" "$monitor_read" 3 || fail "after \"Стоп\" the monitor did not resume"
note "Стоп: both masks released, the monitor runs again"

# --- a relay and an injector held, the adapter pulled out and plugged back ---------------------

focus_window "$actuators" "the actuator window"
hold_line=$(($(log_lines) + 1))
click_in_window "$actuators" 92 106  # "Бензонасос"
wait_until 5 any_request_matches "$hold_line" '^62 0A 1F 09 ' || fail "the pump's box sent no relay write"
click_in_window "$actuators" 18 164  # "Ф1"
wait_until 5 any_request_matches "$hold_line" '^62 0D 01 0D 01$' || fail "Ф1's box sent no cut"
unplug_simulator
sleep 1.5
back_line=$(($(log_lines) + 1))
plug_simulator_back
wait_until 5 at_least "$back_line" "$monitor_read" 2 || fail "the monitor did not resume after the replug"
first=$(requests_from "$back_line" | head -n 1)
[ "$first" = "$release_request" ] || fail "the first request after the replug is '$first'"
screenshot_actuators 02b-actuators-replugged.png
note "relay and cut held, adapter pulled and plugged back: the release first, then the monitor"

# The main window did not poll while the actuator window was open.
main_polls=$(requests_from "$open_line" | sed -n "/^$initial_read\$/,\$p" | grep -cxF "$set1_request")
[ "$main_polls" -eq 0 ] || fail "the main window polled $main_polls times under the actuator window"

# --- Escape: the release request, and the main polling resumes ---------------------------------

focus_window "$actuators" "the actuator window"
close_line=$(($(log_lines) + 1))
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 at_least "$close_line" "$release_request" 1 || fail "Escape sent no release request"
wait_until 5 actuator_window_gone || fail "Escape did not close the window"
first_after=$(requests_from "$close_line" | grep -v "^$monitor_read\$" | head -n 1)
[ "$first_after" = "$release_request" ] ||
  fail "closing sent '$first_after' before any other request, not the release request"
main_polling_resumes "$close_line"
note "Escape: the release request, then the main polling resumes"
screenshot_with_values 03-main-window-after.png

exit_through_menu 04-exit-menu.png
last_request_is_release
saved_target=$(saved_setting "$actuator_section" "$target_key") || exit 1
[ "$saved_target" = 1000 ] || fail "Обороты under Механизмы is '$saved_target', not 1000"
note "Обороты=1000 saved"

# --- a termination signal with the window open: the program still ends cleanly ----------------

start_line=$(($(log_lines) + 1))
start_program
wait_until 15 at_least "$start_line" "$set1_request" 3 || fail "the second run did not reach the cycle"
wait_until 10 prints main_window || fail "the main window did not appear in the second run"
open_line=$(($(log_lines) + 1))
key_in_main_window alt+m
wait_until 5 at_least "$open_line" "$monitor_read" 3 || fail "the second Alt+M did not open the window"
exit_by_signal
last_request_is_release
note "SIGTERM with the actuator window open: clean end, release request last"

note "passed"
