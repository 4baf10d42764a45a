#!/usr/bin/env bash
# End to end: the slider windows, the about window and the adapter's wiring diagram, opened from
# the main window against the simulated ECU.
#   adjust_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# Each slider window opens from "Регулировки", reads the ECU, and is closed again with its close
# procedure; the CO window gets a click in its slider's channel first, so closing it asks whether
# to store the trim, and the answer No goes on to the clearing request. The about window (F1) and
# the wiring diagram ("Дополнительно") open and close. The main window's polling goes on
# throughout, and the exit, with a slider window left open, releases the ECU last.
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# --- the main window's menu bar ----------------------------------------------------------------

# The menu bar's titles as "x-from x-to" columns of ink on the screen, left to right, from a
# screenshot of the main window's top rows.
menu_titles() {
  local window=$1 shot="$work/menubar.png" x y width
  window_geometry "$window" || return 1
  x=$win_x y=$win_y width=$win_w
  timeout 20 import -display "$DISPLAY" -window root -crop "${width}x16+${x}+$((y + 3))" "$shot" ||
    return 1
  # A column with any ink in it is darker than white once the strip is squeezed into one row.
  timeout 20 convert "$shot" -colorspace Gray -scale "${width}x1!" -depth 8 txt:- |
    awk -F'[,:() ]+' -v left="$x" '
      /^#/ { next }
      { ink = ($4 < 235) }
      ink && !inside { start = $1; inside = 1 }
      !ink && inside { if ($1 - last > 10) { print left + start, left + last; inside = 0 } }
      ink { last = $1 }
      END { if (inside) print left + start, left + last }'
}

# Clicks title number N (1-based) of the menu bar, after checking that the bar shows all its ten
# titles: a miscounted bar must never lead the pointer to "Завершение".
open_menu() {
  local number=$1 window titles count from to
  window=$(main_window)
  [ -n "$window" ] || fail "the main window is not on the screen"
  focus_window "$window" "the main window"
  titles=$(menu_titles "$window") || fail "cannot take a picture of the menu bar"
  count=$(echo "$titles" | grep -c .)
  [ "$count" -eq 10 ] ||
    fail "the menu bar shows $count titles, not 10: $(echo "$titles" | tr '\n' ' ')"
  read -r from to < <(echo "$titles" | sed -n "${number}p")
  window_geometry "$window" || fail "no geometry of the main window"
  xdo mousemove $(((from + to) / 2)) $((win_y + 11)) click 1 ||
    fail "xdotool cannot click menu title $number"
  sleep 0.4
}

# Chooses item N (1-based) of the menu that open_menu opened, and parks the pointer.
choose_item() {
  for _ in $(seq "$1"); do xdo key Down || fail "xdotool cannot press Down"; done
  xdo key Return || fail "xdotool cannot press Return"
  xdo mousemove 1279 1023
}

readonly adjust_menu=5
readonly extra_menu=9

# --- the windows -------------------------------------------------------------------------------

# Waits for a window whose title matches PATTERN and puts its id into `found`.
wait_for_window() {
  local pattern=$1 what=$2
  wait_until 5 prints window_named "$pattern" || fail "$what did not appear"
  found=$(window_named "$pattern")
}

window_gone() { [ -z "$(window_named "$1")" ]; }

# While a window is open, the main polling must not stop.
polling_goes_on() {
  wait_until 5 at_least "$1" "$set1_request" 3 ||
    fail "the main window's polling stopped while $2 was open"
}

# open_adjustment ITEM TITLE READ SHOT: opens item ITEM of "Регулировки", waits for the window
# titled TITLE and its read request READ, and takes the screenshot SHOT.
open_adjustment() {
  local item=$1 title=$2 read=$3 shot=$4 line
  line=$(($(log_lines) + 1))
  open_menu "$adjust_menu"
  choose_item "$item"
  wait_for_window "$title" "the window \"$title\""
  adjustment_window=$found
  wait_until 5 at_least "$line" "$read" 1 || fail "\"$title\" did not read the ECU ($read)"
  polling_goes_on "$line" "\"$title\""
  sleep 0.3
  screenshot "$shot" || fail "cannot take the screenshot $shot"
  note "\"$title\" open, read $read, polling goes on ($shot)"
}

# Closes the open slider window with KEY and waits for its clearing request CLEAR.
close_adjustment() {
  local key=$1 clear=$2 title=$3 line
  line=$(($(log_lines) + 1))
  focus_window "$adjustment_window" "\"$title\""
  xdo key "$key" || fail "xdotool cannot press $key"
  wait_until 5 window_gone "$title" || fail "\"$title\" is still open after $key"
  wait_until 5 at_least "$line" "$clear" 1 || fail "\"$title\" closed without sending $clear"
  note "\"$title\" closed with $key, $clear sent"
}

start_program
wait_until 15 at_least 1 "$set1_request" 3 ||
  fail "the program did not reach the cycle with set 1 (no set-1 requests within 15 s)"
wait_until 10 prints main_window || fail "the main window did not appear"
screenshot_with_values 01-main-window.png

# CO: a click in the upper slider's channel sends the trim; closing asks, and No goes on.
open_adjustment 1 'Установка СО' '61 41 42' 02-co-window.png
window_geometry "$adjustment_window" || fail "no geometry of the CO window"
line=$(($(log_lines) + 1))
xdo mousemove $((win_x + win_w - 14)) $((win_y + 17)) click 1 || fail "xdotool cannot click the CO slider"
xdo mousemove 1279 1023
wait_until 5 any_request_matches "$line" '^62 0C 18 41 ' ||
  fail "a click in the CO slider's channel sent no trim"
note "CO slider click sent: $(requests_from "$line" | grep -E '^62 0C 18 41 ' | tail -n 1)"
line=$(($(log_lines) + 1))
focus_window "$adjustment_window" "the CO window"
xdo key Escape || fail "xdotool cannot press Escape"
wait_for_window '^Вортлен3$' "the question whether to store the CO trim"
question=$found
sleep 0.3
screenshot 03-co-store-question.png || fail "cannot take the screenshot 03-co-store-question.png"
[ -n "$(window_named 'Установка СО')" ] || fail "the CO window went before the question was answered"
focus_window "$question" "the question"
xdo key Return || fail "xdotool cannot press Return"  # No, the default button
wait_until 5 window_gone 'Установка СО' || fail "the CO window is still open after the answer No"
wait_until 5 at_least "$line" '62 0C 00 0E 00' 1 || fail "closing the CO window sent no clearing request"
[ "$(count_from "$line" '62 0E 01 7C 01')" -eq 0 ] || fail "the answer No stored the CO trim"
note "Escape asked whether to store the CO trim; No: cleared, nothing stored"

open_adjustment 2 'Смещение УОЗ' '61 28 26' 04-ignition-window.png
close_adjustment Return '62 0B 00' 'Смещение УОЗ'

open_adjustment 3 'температуры ОЖ' '61 1A' 05-coolant-window.png
close_adjustment Escape '62 0B 00' 'температуры ОЖ'

open_adjustment 4 'Установка РДВ' '61 5C' 06-idle-valve-window.png
close_adjustment Escape '62 0B 00' 'Установка РДВ'

# --- about (F1) and the adapter's wiring diagram -----------------------------------------------

line=$(($(log_lines) + 1))
key_in_main_window F1
wait_for_window 'О программе' "the about window"
about=$found
polling_goes_on "$line" "the about window"
sleep 0.3
screenshot 07-about-window.png || fail "cannot take the screenshot 07-about-window.png"
focus_window "$about" "the about window"
xdo key Return || fail "xdotool cannot press Return"
wait_until 5 window_gone 'О программе' || fail "the about window is still open after Return"
note "about window open with the polling going on, closed with Return (07-about-window.png)"

line=$(($(log_lines) + 1))
open_menu "$extra_menu"
choose_item 3
wait_for_window 'Железобетонный адаптер' "the adapter-scheme window"
scheme=$found
polling_goes_on "$line" "the adapter-scheme window"
sleep 0.3
screenshot 08-adapter-scheme-window.png || fail "cannot take the screenshot 08-adapter-scheme-window.png"
focus_window "$scheme" "the adapter-scheme window"
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 window_gone 'Железобетонный адаптер' || fail "the adapter-scheme window is still open"
note "adapter scheme open with the polling going on, closed with Escape (08-adapter-scheme-window.png)"

# The program ends cleanly with a slider window still open, and releases the ECU last.
open_adjustment 4 'Установка РДВ' '61 5C' 09-idle-valve-open-at-exit.png
exit_through_menu 10-exit-menu.png
last_request_is_release
note "passed"
