#!/usr/bin/env bash
# End to end: the passport, faults and fuel-tables windows, each opened from the main window by
# its key against the simulated ECU.
#   services_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# Alt+P, F5 and Alt+T each open their window, which reads the ECU while the main polling rests;
# "Очистить" clears the faults, "Обнулить" of table 3 zeroes it and shows it;
# Escape closes it, and the main window polls again. The fuel-tables window tells the ECU it is
# done with the tables when it closes.
set -uo pipefail

readonly configuration_request='61 01 02 03 04 05 06'
readonly faults_request='02'
readonly table1_request='61 49'
readonly tables_closed='62 0E 00'
readonly clear_once='62 0E 0A'
readonly clear_thrice='62 0E 0A 0E 0A 0E 0A'
readonly zero_table3='62 0E 40 0E 40'
readonly table3_request='61 4B'

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

# No set request may arrive from the window's FIRST request after log line FROM to its LAST:
# the main polling rests while the window reads.
polling_rests_while_open() {
  local from=$1 first=$2 last=$3 what=$4 between
  between=$(requests_from "$from" | awk -v first="$first" -v last="$last" -v set="$set_prefix" '
    { line[NR] = $0 }
    $0 == first && !begin { begin = NR }
    $0 == last { end = NR }
    END { n = 0; for (i = begin; begin && i <= end; ++i) if (index(line[i], set) == 1) ++n; print n }')
  [ "$between" -eq 0 ] || fail "$between set requests while the $what window was open"
}

# open_window KEY TITLE WHAT: presses KEY in the main window and waits for the window TITLE.
open_window() {
  local key=$1 title=$2 what=$3 window
  key_in_main_window "$key"
  wait_until 5 prints window_named "$title" || fail "$key did not open the $what window"
  window=$(window_named "$title")
  echo "$window"
}

close_window() {
  local window=$1 what=$2
  focus_window "$window" "the $what window"
  xdo key Escape || fail "xdotool cannot press Escape"
  wait_until 5 prints_nothing window_named "$3" || fail "Escape did not close the $what window"
}

start_program
wait_until "$start_seconds" at_least 1 "$set1_request" 3 ||
  fail "the program did not reach the cycle with set 1 (no set-1 requests within 15 s)"
wait_until 10 prints main_window || fail "the main window did not appear"
note "the main window polls set 1"

# --- passport ----------------------------------------------------------------------------------

line=$(($(log_lines) + 1))
window=$(open_window alt+p 'Паспорт ЭБУ' passport) || exit 1
wait_until 10 at_least "$line" "$configuration_request" 1 ||
  fail "the passport window did not read the configuration within 10 s"
sleep 0.3
screenshot 01-passport.png || fail "cannot take the screenshot 01-passport.png"
note "passport read: $(requests_from "$line" | grep -c '^5[1-8]$') texts, configuration"
polling_rests_while_open "$line" 51 "$configuration_request" passport
closed_line=$(($(log_lines) + 1))
close_window "$window" passport 'Паспорт ЭБУ'
main_polling_resumes "$closed_line"
note "passport closed, the main polling resumes"

# --- faults ------------------------------------------------------------------------------------

line=$(($(log_lines) + 1))
window=$(open_window F5 'Ошибки и неисправности' faults) || exit 1
wait_until 5 at_least "$line" "$faults_request" 2 ||
  fail "the faults window did not read the fault list twice within 5 s"
sleep 0.3
screenshot 02-faults.png || fail "cannot take the screenshot 02-faults.png"
polling_rests_while_open "$line" "$faults_request" "$faults_request" faults
# "Очистить" is next in the tab order after the list.
focus_window "$window" "the faults window"
clear_line=$(($(log_lines) + 1))
xdo key Tab space || fail "xdotool cannot press Tab and space"
wait_until 5 at_least "$clear_line" "$clear_thrice" 1 || fail "\"Очистить\" sent no clear requests"
# A read of the list may still come between the key press and the clear.
[ "$(requests_from "$clear_line" | sed -n "\|^$clear_once\$|,\$p" | head -n 2 | tr '\n' '|')" = \
  "$clear_once|$clear_thrice|" ] ||
  fail "the clear requests are not 62 0E 0A then 62 0E 0A 0E 0A 0E 0A"
wait_until 5 at_least "$clear_line" "$faults_request" 1 || fail "the reading did not resume after the clear"
sleep 0.3
screenshot 03-faults-cleared.png || fail "cannot take the screenshot 03-faults-cleared.png"
closed_line=$(($(log_lines) + 1))
close_window "$window" faults 'Ошибки и неисправности'
main_polling_resumes "$closed_line"
note "faults read and closed, the main polling resumes"

# --- fuel tables -------------------------------------------------------------------------------

line=$(($(log_lines) + 1))
window=$(open_window alt+t 'Таблицы топливоподачи' 'fuel tables') || exit 1
wait_until 5 at_least "$line" "$table1_request" 2 ||
  fail "the fuel-tables window did not read table 1 twice within 5 s"
sleep 0.3
screenshot 04-fuel-tables.png || fail "cannot take the screenshot 04-fuel-tables.png"
polling_rests_while_open "$line" "$table1_request" "$table1_request" 'fuel tables'
# The tab order runs grid, "Таблица 1" .. "Таблица 4", then the four "Обнулить": seven steps to
# zero table 3.
focus_window "$window" "the fuel-tables window"
zero_line=$(($(log_lines) + 1))
xdo key Tab Tab Tab Tab Tab Tab Tab space || fail "xdotool cannot press Tab and space"
wait_until 5 at_least "$zero_line" "$zero_table3" 1 || fail "\"Обнулить\" of table 3 sent no zero command"
wait_until 5 at_least "$zero_line" "$table3_request" 1 || fail "table 3 is not read after zeroing it"
sleep 0.3
screenshot 05-fuel-table3-zeroed.png || fail "cannot take the screenshot 05-fuel-table3-zeroed.png"
note "table 3 zeroed and shown"
closed_line=$(($(log_lines) + 1))
close_window "$window" 'fuel tables' 'Таблицы топливоподачи'
at_least "$closed_line" "$tables_closed" 1 ||
  wait_until 2 at_least "$line" "$tables_closed" 1 ||
  fail "closing the fuel-tables window sent no close command"
main_polling_resumes "$closed_line"
note "fuel tables read and closed, the main polling resumes"

exit_through_menu 06-exit-menu.png
last_request_is_release
note "done"
