#!/usr/bin/env bash
# End to end: recording the live values to CSV files, and playing one back.
#   record_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# Ctrl+R records set 1 for some seconds; Ctrl+F2 switches to set 2, F6 to the graph view, where
# Ctrl+R stops. Three files must exist, one row for every answer the simulator sent meanwhile,
# their hex columns those answers byte for byte, and some values as this script decodes the
# bytes itself. Then Ctrl+O plays the set-1 file in the main window: the simulator receives not
# one byte until Escape, and the value fields show what a screenshot showed live at the same
# answer. Last, a program killed while recording leaves a file that reads back, and a full disk
# stops the recording with a message while the polling goes on.
set -uo pipefail

readonly graph_set1_request='61 23 29 26 51 52 53 54'
readonly set2_request='61 07 08 51 52 53 54 1A 1C 20 41 39 3F 21 40'
limit_seconds=170
answers_log="$3/answers.log"
simulator_options="--log-answers $answers_log"

source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

if on_windows; then
  # The Windows program records where a Windows user finds it: Documents\Vortlen3.
  wine_in_prefix cmd /c exit >/dev/null 2>&1
  records="$VORTLEN3_WINEPREFIX/drive_c/users/$(id -un)/Documents/Vortlen3"
  rm -rf "$records"
else
  records="$work/records"
  export VORTLEN3_RECORD_DIR="$records"
fi
full=''
unmount_full() { [ -n "$full" ] && umount "$full" 2>/dev/null; }
on_exit unmount_full

graph_window() { window_named '^График$'; }
# The recording's message, a box of its own over the window.
failure_box() { window_named '^Вортлен$'; }

answer_lines() { wc -l <"$answers_log"; }
# The answers from line FROM on, without their times.
answers_from() { tail -n "+$1" "$answers_log" | cut -d' ' -f2-; }
# Milliseconds of the day of a "HH:MM:SS.mmm" time.
day_ms() { awk -F'[:.]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }' <<<"$1"; }
now_day_ms() { day_ms "$(date +%H:%M:%S.%3N)"; }

# The hex column (the last) of a recording, one row a line.
hex_column() { tail -n +2 "$1" | awk -F';' '{ print $NF }'; }
# The time column of a recording's rows as seconds awk computes with: "1,234" -> 1.234.
row_seconds() { awk -F';' '{ t = $1; gsub(/"/, "", t); sub(/,/, ".", t); print t }'; }

# check_rows FILE FROM TO WHAT: the rows of FILE are the answers of lines FROM..TO of the answer
# log that have as many bytes as the first row, every one of them in order, give or take one at
# either end.
check_rows() {
  local file=$1 from=$2 to=$3 what=$4 bytes expected rows
  rows=$(($(wc -l <"$file") - 1))
  [ "$rows" -ge 10 ] || fail "$what: only $rows rows in $(basename "$file")"
  bytes=$(hex_column "$file" | head -n 1 | wc -w)
  answers_from "$from" | head -n $((to - from + 1)) | awk -v n="$bytes" 'NF == n' >"$work/sent"
  expected=$(wc -l <"$work/sent")
  if [ $((rows - expected)) -gt 1 ] || [ $((expected - rows)) -gt 1 ]; then
    fail "$what: $rows rows, but the simulator sent $expected answers meanwhile"
  fi
  hex_column "$file" >"$work/recorded"
  # The recorded answers are the answers sent, in order; an answer the program did not take (a
  # transaction that failed at its end) may be missing once, within the count's tolerance.
  awk 'NR == FNR { sent[NR] = $0; n = NR; next } { rec[FNR] = $0; m = FNR }
       END { s = 1; while (s <= n && sent[s] != rec[1]) s++
             skipped = 0
             for (i = 1; i <= m; i++) {
               while (s <= n && sent[s] != rec[i]) { s++; skipped++ }
               if (s > n) exit 1
               s++ }
             exit skipped > 1 }' "$work/sent" "$work/recorded" ||
    fail "$what: the hex column of $(basename "$file") is not the run of answers the simulator sent"
  note "$what: $rows rows for $expected answers sent, every hex column as sent"
}

# check_values FILE AWK-CONDITION WHAT: every row, decoded from its hex column by this script's
# own formulas, satisfies the condition (b[i] is byte i, $k column k).
check_values() {
  local file=$1 condition=$2 what=$3 bad
  bad=$(tail -n +2 "$file" | awk -F';' "
    function hex(text,  i, v) { v = 0; for (i = 1; i <= 2; i++)
      v = v * 16 + index(\"0123456789ABCDEF\", substr(text, i, 1)) - 1; return v }
    { split(\$NF, h, \" \"); for (i = 1; i in h; i++) b[i - 1] = hex(h[i])
      if (!($condition)) { print NR + 1; exit } }") || fail "$what: awk cannot check the rows"
  [ -z "$bad" ] || fail "$what: line $bad of $(basename "$file") disagrees: $(sed -n "${bad}p" "$file")"
}

# Ctrl+O in the main window, FILE typed into the file dialog, Return (again if a completion list
# took the first one). xdotool types Cyrillic letters unreliably: the file is opened through an
# ASCII name of its own.
open_recording() {
  local ascii
  ascii="$work/$(basename "$1" | sed 's/.*_\([0-9][0-9]_[a-z]*-set[0-9]\.csv\)$/replay-\1/')"
  cp "$1" "$ascii" || fail "cannot copy $1"
  key_in_main_window ctrl+o
  wait_until 5 prints window_named 'Открыть запись' || fail "Ctrl+O shows no file dialog"
  sleep 0.5
  # Wine's drive Z: is the Linux root.
  on_windows && ascii="Z:${ascii//\//\\}"
  xdo type --delay 20 "$ascii" || fail "xdotool cannot type the file name"
  sleep 0.5
  xdo key Return || fail "xdotool cannot press Return"
  if ! wait_until 2 prints_nothing window_named 'Открыть запись'; then
    xdo key Return || fail "xdotool cannot press Return"
    if ! wait_until 5 prints_nothing window_named 'Открыть запись'; then
      screenshot file-dialog-stays.png
      fail "the file dialog stays"
    fi
  fi
}

# --- recording ---------------------------------------------------------------------------------

start_program
wait_until "$start_seconds" at_least 1 "$set1_request" 3 || fail "the program did not reach the cycle with set 1"
wait_until 10 prints main_window || fail "the main window did not appear"
window=$(main_window)
note "the main window polls set 1"

focus_main_window
set1_from=$(($(answer_lines) + 1))
xdo key ctrl+r || fail "xdotool cannot press Ctrl+R"
recording_started=$(now_day_ms)
sleep 2
live_at=$(now_day_ms)
screenshot 01-recording-set1.png || fail "cannot take a screenshot"
sleep 2.5
# Each range runs to the next window's or set's answers, which have other lengths.
set2_from=$(($(answer_lines) + 1))
key_in_main_window ctrl+F2
wait_until 5 at_least 1 "$set2_request" 3 || fail "Ctrl+F2 did not switch to set 2"
set1_to=$(answer_lines)
sleep 3
graph_from=$(($(answer_lines) + 1))
key_in_main_window F6
wait_until 5 prints graph_window || fail "the graph window did not appear"
focus_window "$(graph_window)" "the graph window"
graph_line=$(($(log_lines) + 1))
set2_to=$(answer_lines)
sleep 3
at_least "$graph_line" "$graph_set1_request" 20 || fail "the graph view does not poll its set 1"
screenshot 02-recording-graph.png || fail "cannot take a screenshot"
xdo key ctrl+r || fail "xdotool cannot press Ctrl+R"
graph_to=$(answer_lines)
note "recorded set 1, set 2 and the graph view's set 1; Ctrl+R in the graph view stopped it"
sleep 0.5
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 prints_nothing graph_window || fail "Escape did not close the graph view"

mapfile -t files < <(find "$records" -name '*.csv' | sort)
[ "${#files[@]}" -eq 3 ] || fail "${#files[@]} recording files, not 3: ${files[*]}"
for pattern in '_01_main-set1.csv$' '_02_main-set2.csv$' '_03_graph-set1.csv$'; do
  printf '%s\n' "${files[@]}" | grep -qE "/[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}-[0-9]{2}-[0-9]{2}_.+$pattern" ||
    fail "no file named like *$pattern: ${files[*]}"
done
set1_file=${files[0]} set2_file=${files[1]} graph_file=${files[2]}
cp "${files[@]}" "$artefacts/"

# A Russian spreadsheet's form: a byte-order mark, ';' between fields, decimal commas quoted.
[ "$(head -c 3 "$set1_file" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the set-1 file has no byte-order mark"
header=$(head -n 1 "$set1_file" | tail -c +4)
[ "$(cut -d';' -f1-4 <<<"$header")" = 'Время (с);Температура ОЖ (град С);Напряжение борт. сети (вольт);Обороты (обор/мин)' ] ||
  fail "the set-1 header is '$header'"
[ "$(awk -F';' '{ print $NF }' <<<"$header")" = 'Ответ ЭБУ (hex)' ] || fail "the set-1 header ends '$header'"
readonly row_form='^"[0-9]+,[0-9]{3}"(;(-?[0-9]+|"-?[0-9]+,[0-9]+")){28};([0-9A-F]{2} ){15}[0-9A-F]{2}$'
tail -n +2 "$set1_file" | grep -vqE "$row_form" &&
  fail "a set-1 row is not 29 numbers and 16 bytes: $(tail -n +2 "$set1_file" | grep -vE "$row_form" | head -n 1)"

check_rows "$set1_file" "$set1_from" "$set1_to" "set 1"
check_rows "$set2_file" "$set2_from" "$set2_to" "set 2"
check_rows "$graph_file" "$graph_from" "$graph_to" "graph set 1"

# The conditions are awk's, in single quotes on purpose.
# shellcheck disable=SC2016
# Coolant, engine speed and manifold vacuum, the sixteen flags and four cylinders of set 1.
check_values "$set1_file" '$2 == b[6] - 40 && $4 == b[8] * 40 && $7 == b[11] + 256 * b[12] &&
  $10 == b[0] % 2 && $12 == int(b[0] / 4) % 2 && $24 == int(b[1] / 64) % 2 &&
  $26 == (b[2] != 0) && $29 == (b[5] != 0)' "set 1"
# shellcheck disable=SC2016
check_values "$set2_file" '$2 == b[6] - 40 && $3 == b[7] - 40 && $4 == b[8]' "set 2"
# shellcheck disable=SC2016
check_values "$graph_file" '$2 == b[0] + 256 * b[1] && $3 == b[2] * 40' "graph set 1"
note "the values agree with this script's own decoding of the answers"

# The answer that the live screenshot showed: the last one before it, on the program's clock,
# whose start is the time the simulator logged for the first row's answer less its row time.
first_answer_time=$(tail -n "+$set1_from" "$answers_log" |
  awk -v hex="$(hex_column "$set1_file" | head -n 1)" '{ t = $1; $1 = ""; sub(/^ /, "") }
    $0 == hex { print t; exit }')
[ -n "$first_answer_time" ] || fail "the first row's answer is not in the answer log"
first_row_ms=$(sed -n 2p "$set1_file" | row_seconds | awk '{ printf "%d", $1 * 1000 }')
origin=$(($(day_ms "$first_answer_time") - first_row_ms))
live_row=$(tail -n +2 "$set1_file" | row_seconds | awk -v at=$((live_at - origin)) '$1 * 1000 <= at { n = NR } END { print n + 0 }')
note "the live screenshot shows about row $live_row (recording began $((origin - recording_started)) ms after Ctrl+R)"

# --- replay ------------------------------------------------------------------------------------

open_recording "$set1_file"
sleep 0.5
focus_main_window
xdo key space || fail "xdotool cannot press Space"
replay_line=$(log_lines)
screenshot 03-replay.png || fail "cannot take a screenshot"

window_geometry "$window" || fail "no geometry of the main window"
# The eight value fields: x from W/2.8 + 23, W/8 wide, over the window's height.
crop="$((win_w / 8))x${win_h}+$((win_x + win_w * 10 / 28 + 23))+$win_y"
convert "$artefacts/01-recording-set1.png" -crop "$crop" +repage "$work/live.png"
xdo key Home || fail "xdotool cannot press Home"
from=$((live_row > 3 ? live_row - 3 : 1))
to=$((live_row + 6))
for ((i = 1; i < from; i++)); do xdo key shift+Right; done
matched=''
for ((row = from; row <= to; row++)); do
  [ "$row" -gt "$from" ] && xdo key shift+Right
  sleep 0.3
  screenshot "replay-row.png" || fail "cannot take a screenshot"
  convert "$artefacts/replay-row.png" -crop "$crop" +repage "$work/replay.png"
  difference=$(compare -metric AE "$work/live.png" "$work/replay.png" null: 2>&1)
  if [ "$difference" = 0 ]; then
    matched=$row
    cp "$artefacts/replay-row.png" "$artefacts/04-replay-matches-live.png"
    break
  fi
done
rm -f "$artefacts/replay-row.png"
[ -n "$matched" ] || fail "no replayed answer near row $live_row shows the value fields of the live screenshot"
note "the replay of row $matched shows the value fields exactly as the live screenshot did"
xdo key End || fail "xdotool cannot press End"
sleep 1
sent=$(requests_from $((replay_line + 1)) | wc -l)
[ "$sent" -eq 0 ] || fail "$sent requests reached the ECU during the replay"
note "not one request during the replay"
back_line=$(($(log_lines) + 1))
xdo key Escape || fail "xdotool cannot press Escape"
# Live, the window was on set 2 when the replay began.
wait_until 5 at_least "$back_line" "$set2_request" 3 || fail "the live polling did not resume"
note "Escape: the live polling resumes with set 2"

# The graph view's file opens the graph view and plays there, sending nothing either.
open_recording "$graph_file"
wait_until 5 prints graph_window || fail "the graph recording did not open the graph view"
graph_replay_line=$(log_lines)
focus_window "$(graph_window)" "the graph window"
sleep 2
screenshot 05-graph-replay.png || fail "cannot take a screenshot"
xdo key End || fail "xdotool cannot press End"
sleep 0.5
sent=$(requests_from $((graph_replay_line + 1)) | wc -l)
[ "$sent" -eq 0 ] || fail "$sent requests reached the ECU during the graph view's replay"
back_line=$(($(log_lines) + 1))
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 at_least "$back_line" "$graph_set1_request" 3 || fail "the graph view did not poll after its replay"
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 prints_nothing graph_window || fail "Escape did not close the graph view"
wait_until 5 prints main_window || fail "the main window is not on the screen after the graph view"
note "the graph file plays in the graph view with not one request; Escape, Escape: live again"

# --- a program killed while recording ----------------------------------------------------------

rm -rf "$records"
key_in_main_window ctrl+F1
key_in_main_window ctrl+r
sleep 2
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null
program_pid=''
mapfile -t files < <(find "$records" -name '*.csv')
[ "${#files[@]}" -eq 1 ] || fail "the killed program left ${#files[@]} files"
columns=$(head -n 1 "${files[0]}" | awk -F';' '{ print NF }')
rows=$(tail -n +2 "${files[0]}" | awk -F';' -v n="$columns" 'NF == n && $NF ~ /^[0-9A-F][0-9A-F]( [0-9A-F][0-9A-F])+$/' | wc -l)
if [ "$rows" -lt 10 ] || [ "$rows" -ne $(($(wc -l <"${files[0]}") - 1)) ]; then
  fail "the killed program's file has $rows whole rows of $(($(wc -l <"${files[0]}") - 1))"
fi
[ -z "$(tail -c 1 "${files[0]}")" ] || fail "the killed program's file ends inside a row"
note "killed while recording: $rows whole rows, the last one complete"

# --- a full disk -------------------------------------------------------------------------------
# (on Linux, where a small file system of the test's own can fill up)

if on_windows; then
  note "passed"
  exit 0
fi

full="$work/full"
mkdir -p "$full" || fail "cannot create $full"
mount -t tmpfs -o size=64k tmpfs "$full" || fail "cannot mount a tmpfs"
# Leave room for the header and a few rows.
dd if=/dev/zero of="$full/filler" bs=4k count=15 2>/dev/null
export VORTLEN3_RECORD_DIR="$full/records"
start_program
wait_until 15 at_least "$(($(log_lines) + 1))" "$set1_request" 3 || true
wait_until 10 prints main_window || fail "the main window did not appear again"
window=$(main_window)
key_in_main_window ctrl+r
wait_until 15 prints failure_box || fail "the full disk brought no message"
screenshot 06-disk-full.png || fail "cannot take a screenshot"
full_line=$(($(log_lines) + 1))
wait_until 5 at_least "$full_line" "$set1_request" 10 || fail "the polling stopped with the disk full"
note "a full disk: the message came and the polling goes on"
file=$(find "$full/records" -name '*.csv' | head -n 1)
[ -n "$file" ] || fail "no file on the full disk"
rows=$(($(wc -l <"$file") - 1))
[ "$rows" -ge 1 ] || fail "the file on the full disk keeps no row"
exit_by_signal
note "the file on the full disk keeps $rows rows"
