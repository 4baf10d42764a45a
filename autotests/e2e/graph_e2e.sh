#!/usr/bin/env bash
# End to end: the graph view (F6) and the timing-phase test (Alt+G) opened from the main window
# against the simulated ECU.
#   graph_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# F6 opens the graph view, which polls set 1 of its own; a screenshot in each colour view
# (Alt+W white on black, Alt+B black on white); Escape closes it and the main polling resumes.
# Alt+G opens the timing-phase test, which polls its five codes and draws its picture; Escape
# closes it and the main polling resumes again. Last, SIGTERM with the graph view open ends the
# program, the release request last.
set -uo pipefail

readonly graph_set1_request='61 23 29 26 51 52 53 54'
readonly phase_request='61 1A 26 23 2C'
# The plot's grid in each view, and the phase test's background.
readonly grid_white_on_black='#C8C880'
readonly grid_black_on_white='#37377F'
readonly phase_background='#287682'

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

graph_window() { window_named '^График$'; }
phase_window() { window_named 'Тест фаз ГРМ'; }

# Takes screenshots until COLOUR covers at least MIN pixels.
screenshot_showing() {
  local name=$1 colour=$2 min=$3 deadline count=0
  deadline=$(($(now_ms) + 10000))
  while :; do
    screenshot "$name" || fail "cannot take the screenshot $name"
    count=$(pixels_of "$artefacts/$name" "$colour")
    [ "$count" -ge "$min" ] && break
    [ "$(now_ms)" -gt "$deadline" ] && fail "$name: only $count pixels of $colour"
    sleep 0.3
  done
  note "screenshot $name ($count pixels of $colour)"
}

start_program
wait_until 15 at_least 1 "$set1_request" 3 ||
  fail "the program did not reach the cycle with set 1 (no set-1 requests within 15 s)"
wait_until 10 prints main_window || fail "the main window did not appear"
note "the main window polls set 1"

# --- the graph view ----------------------------------------------------------------------------

graph_line=$(($(log_lines) + 1))
key_in_main_window F6
wait_until 5 at_least "$graph_line" "$graph_set1_request" 5 ||
  fail "the graph view did not poll its set 1 (no requests within 5 s of F6)"
main_requests=$(requests_from "$graph_line" | sed -n "\|^$graph_set1_request\$|,\$p" |
                  grep -cF "$set_prefix")
[ "$main_requests" -eq 0 ] || fail "$main_requests main-window requests while the graph view polls"
wait_until 5 prints graph_window || fail "the graph window did not appear"
focus_window "$(graph_window)" "the graph window"
note "F6: the graph view polls set 1"

xdo key alt+w || fail "xdotool cannot press Alt+W"
sleep 3  # some seconds of traces
screenshot_showing 01-graph-white-on-black.png "$grid_white_on_black" 2000
xdo key alt+b || fail "xdotool cannot press Alt+B"
screenshot_showing 02-graph-black-on-white.png "$grid_black_on_white" 2000

back_line=$(($(log_lines) + 1))
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 prints_nothing graph_window || fail "Escape did not close the graph view"
main_polling_resumes "$back_line"
note "Escape: the main polling resumes"

# --- the timing-phase test ---------------------------------------------------------------------

phase_line=$(($(log_lines) + 1))
key_in_main_window alt+g
wait_until 5 at_least "$phase_line" "$phase_request" 5 ||
  fail "the timing-phase test did not poll (no requests within 5 s of Alt+G)"
main_requests=$(requests_from "$phase_line" | sed -n "\|^$phase_request\$|,\$p" |
                  grep -cF "$set_prefix")
[ "$main_requests" -eq 0 ] || fail "$main_requests main-window requests while the phase test polls"
wait_until 5 prints phase_window || fail "the timing-phase test window did not appear"
focus_window "$(phase_window)" "the timing-phase test window"
note "Alt+G: the timing-phase test polls"
screenshot_showing 03-phase-test.png "$phase_background" 100000

xdo key Return || fail "xdotool cannot press Return"
sleep 0.5
[ -n "$(phase_window)" ] || fail "Enter closed the timing-phase test"
back_line=$(($(log_lines) + 1))
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 prints_nothing phase_window || fail "Escape did not close the timing-phase test"
main_polling_resumes "$back_line"
note "Escape: the main polling resumes"

# --- a logout while the graph view is open -----------------------------------------------------

graph_line=$(($(log_lines) + 1))
key_in_main_window F6
wait_until 5 at_least "$graph_line" "$graph_set1_request" 3 ||
  fail "the graph view did not poll after the second F6"
exit_by_signal
last_request_is_release
note "SIGTERM with the graph view open: the program releases the ECU and ends"
