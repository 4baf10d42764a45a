#!/usr/bin/env bash
# Figures of the program itself, on its own X server (Xvfb, 1600x1200) against the simulator
# paced at 9600 baud:
#   - the time from one set request to the next while the main window polls set 1, from the
#     simulator's log, against one transaction's time plus the 90 ms period;
#   - the program's CPU use over the measuring time, as % of one core;
#   - its resident memory (VmRSS now, VmHWM the peak);
#   - the time the exit takes, from "Завершить программу" to the release request and to the end;
#   - then, the program started again behind a simulated USB-serial bridge (the simulator's
#     --usb-latency) of 16 ms and of 1 ms: the request period in set 1 beside link_bench's
#     transaction time and the wire time for the same bridge.
# It also takes screenshots of the main window with client areas of 640x480 and 1280x1024, in
# sets 1 and 2, into artifacts/bench/.
#
#   VORTLEN3_BUILD_DIR        build folder (default build)
#   VORTLEN3_BENCH_SECONDS    measuring time (default 30)
#   VORTLEN3_TRANSACTION_MS   one set-1 transaction's time in ms; when unset, link_bench measures it
#   VORTLEN3_BENCH_RECORD     1: «Запись» (Ctrl+R) is on for the measuring time
#   VORTLEN3_LINK_FIGURES     link_bench's JSON output; when unset, link_bench runs here
#   VORTLEN3_BENCH_BRIDGES    the bridges' latencies in ms (default "16 1"; empty: none)
#   VORTLEN3_BENCH_BRIDGE_SECONDS  measuring time behind each bridge (default 20)
#
# The exit goes through Alt, Left, Return, Return: the first item of "Завершение" only; the
# program also gets a system bus address that leads nowhere.
set -uo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"

readonly set2_request='61 07 08 51 52 53 54 1A 1C 20 41 39 3F 21 40'
readonly release_request='62 09 00 0A 00 0B 00 0C 00 0D 00 0E 00 0F 00'
readonly header_colour='#E0E0E0'
readonly value_colour='#64FFFF'
readonly screen_width=1600 screen_height=1200

make_work vortlen3-bench
keep_simulator_log() { cp -f "$work/simulator.log" "$artefacts/simulator.log" 2>/dev/null; }
on_exit keep_simulator_log

# --- build, and one transaction's time ---------------------------------------------------------

require_tools Xvfb xdotool import convert timeout awk
build_targets vortlen3 vortlen3-ecusim link_bench
rm -f "$artefacts"/main-window-*.png "$artefacts"/simulator.log

transaction_source="link_bench's median: the set-1 request, paced simulator, 100 transactions"
link_figures=${VORTLEN3_LINK_FIGURES:-}
bridges=${VORTLEN3_BENCH_BRIDGES-16 1}
if [ -z "$link_figures" ] && { [ -z "${VORTLEN3_TRANSACTION_MS:-}" ] || [ -n "$bridges" ]; }; then
  link_figures="$work/link.json"
  "$build/bench/link_bench" --benchmark_out="$link_figures" --benchmark_out_format=json \
    >/dev/null 2>&1 || fail "link_bench failed"
fi
transaction_ms=${VORTLEN3_TRANSACTION_MS:-$(link_figure "$link_figures" 0 median_ms)}
[ -n "$transaction_ms" ] || fail "link_bench gave no median transaction time"
transaction_ms=$(awk -v t="$transaction_ms" 'BEGIN { printf "%.1f", t }')

# --- X server, simulator, program --------------------------------------------------------------

start_xvfb "$screen_width" "$screen_height"
recording=${VORTLEN3_BENCH_RECORD:-0}
[ "$recording" = 1 ] && export VORTLEN3_RECORD_DIR="$work/records"
start_on_paced_simulator
recording_files() { find "$work/records" -name '*.csv' 2>/dev/null; }
if [ "$recording" = 1 ]; then
  xdo windowfocus --sync "$window" >/dev/null 2>&1
  xdo key ctrl+r || fail "xdotool cannot press Ctrl+R"
  wait_until 5 prints recording_files || fail "Ctrl+R wrote no recording"
fi

window_geometry "$window" || fail "no geometry of the main window"
start_size="${win_w}x${win_h}"

# --- the measuring time ------------------------------------------------------------------------

measure
record_rows=''
if [ "$recording" = 1 ]; then
  record_rows=$(($(cat "$work"/records/*.csv | wc -l) - 1))
fi
vm_rss=$(awk '/^VmRSS:/ { print $2 " " $3 }' "/proc/$program_pid/status")
vm_hwm=$(awk '/^VmHWM:/ { print $2 " " $3 }' "/proc/$program_pid/status")

# Request-to-request intervals of the set-1 requests logged in the measuring time.
intervals=$(request_intervals "$first_line" "$last_line" "$set1_request")
other_requests=$(sed -n "${first_line},${last_line}p" "$work/simulator.log" | awk '$2 == ">"' |
                   cut -d' ' -f3- | grep -cvxF "$set1_request")
count=$(echo "$intervals" | grep -c .)
# A set-1 request goes out at least every 0.3 s.
wanted=$((seconds * 10 / 3))
[ "$count" -ge "$wanted" ] || fail "only $count request intervals in $seconds s (at least $wanted wanted)"
quantile() { echo "$intervals" | awk -v q="$1" '{ v[NR] = $1 } END { i = int(q * (NR - 1)) + 1; print v[i] }'; }
median=$(echo "$intervals" | median)

# --- screenshots -------------------------------------------------------------------------------

# Finds header 1030 (the grey field at the top right of the client area) in a screenshot of the
# window and sets header_x, header_y (relative to the window), header_w and header_h.
find_header() {
  local shot=$1 column
  # Header 1030 spans x = W - W/3.7 .. + W/4; a column near its right end misses its text.
  column=$(awk -v w="$win_w" 'BEGIN { x = int(w - w / 3.7); print x + int(w / 4) - 3 }')
  read -r header_y header_h < <(convert "$shot" -crop "1x200+${column}+0" +repage txt:- |
    awk -v c="$header_colour" 'NR > 1 { split($1, p, /[,:]/); y = p[2]
      if (index($0, c)) { if (start == "") start = y; end = y } else if (start != "") exit }
      END { print start, end - start + 1 }')
  read -r header_x header_w < <(convert "$shot" -crop "${win_w}x1+0+$((header_y + 1))" +repage txt:- |
    awk -v c="$header_colour" -v from="$((column - win_w / 4))" 'NR > 1 { split($1, p, /[,:]/); x = p[1]
      if (x < from) next
      if (index($0, c)) { if (start == "") start = x; end = x } else if (start != "") exit }
      END { print start, end - start + 1 }')
  [ -n "$header_y" ] && [ -n "$header_x" ]
}

window_shot() {
  timeout 20 import -window root "$work/root.png" &&
    convert "$work/root.png" -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage "$1"
}

# Gives the window a client area of exactly W x H: the menu bar's height is measured from where
# the header (10 px below the client area's top) appears, then checked against the layout.
size_client() {
  local W=$1 H=$2 menu_bar
  xdo windowmove "$window" 0 0 || fail "move"
  xdo windowsize "$window" "$W" "$((H + 20))" || fail "resize"
  sleep 0.5
  window_geometry "$window"
  window_shot "$work/sizing.png" || fail "no screenshot of the window"
  find_header "$work/sizing.png" || fail "no header in the window"
  menu_bar=$((header_y - 10))
  xdo windowsize "$window" "$W" "$((H + menu_bar))" || fail "resize"
  sleep 0.5
  window_geometry "$window"
  window_shot "$work/sizing.png" || fail "no screenshot of the window"
  find_header "$work/sizing.png" || fail "no header in the window"
  local want_x want_w=$((W / 4)) want_h=$((H / 22))
  want_x=$(awk -v w="$W" 'BEGIN { print int(w - w / 3.7) }')
  if [ "$win_w" -ne "$W" ] || [ "$((win_h - menu_bar))" -ne "$H" ] ||
     [ "$header_x" -ne "$want_x" ] || [ "$header_w" -ne "$want_w" ] || [ "$header_h" -ne "$want_h" ] ||
     [ "$header_y" -ne $((menu_bar + 10)) ]; then
    fail "client area not ${W}x${H}: window ${win_w}x${win_h}, menu bar $menu_bar, header at" \
      "$header_x,$header_y ${header_w}x${header_h} (wanted $want_x,$((menu_bar + 10)) ${want_w}x${want_h})"
  fi
  menu_bar_height=$menu_bar
}

# Switches to a set with Ctrl+F<set> and waits until two of its requests have gone out, so that
# the first answer is on the screen.
choose_set() {
  local key=$1 request=$2 from
  from=$(($(log_lines) + 1))
  xdo windowfocus --sync "$window" >/dev/null 2>&1
  xdo key "ctrl+F$key" || fail "xdotool cannot press Ctrl+F$key"
  wait_until 5 at_least "$from" "$request" 2 || fail "no requests of set $key after Ctrl+F$key"
  sleep 0.2
}

shoot() {
  local name=$1 values
  window_shot "$artefacts/$name" || fail "cannot take $name"
  values=$(convert "$artefacts/$name" -format %c histogram:info:- | grep -F " $value_colour " |
             sed 's/^ *\([0-9]*\):.*/\1/')
  [ "${values:-0}" -gt 100 ] || fail "$name shows no values"
  shots+=("$name")
}

shots=()
size_client 640 480
small_menu_bar=$menu_bar_height
shoot main-window-640x480-set1.png
choose_set 2 "$set2_request"
shoot main-window-640x480-set2.png
size_client 1280 1024
choose_set 1 "$set1_request"
shoot main-window-1280x1024-set1.png
choose_set 2 "$set2_request"
shoot main-window-1280x1024-set2.png

# --- the exit ----------------------------------------------------------------------------------

# At 1280 px the whole menu bar fits, "Завершение" last: Left from the first menu reaches it.
xdo windowfocus --sync "$window" >/dev/null 2>&1
for key in alt Left Return; do
  xdo key "$key" || fail "xdotool cannot open the menu"
  sleep 0.3
done
sleep 0.1
window_shot "$work/exit-menu.png"
exit_line=$(($(log_lines) + 1))
pressed=$(now_ms)
# The same moment on the simulator's clock, which counts from its start.
pressed_stamp=$((pressed - sim_started_ms))
xdo key Return || fail "xdotool cannot press Return"
wait_until 5 program_ended || fail "the program did not end within 5 s of \"Завершить программу\""
ended_ms=$(($(now_ms) - pressed))
wait "$program_pid"
status=$?
program_pid=''
release_stamp=$(tail -n "+$exit_line" "$work/simulator.log" | grep -F "> $release_request" |
                  cut -d' ' -f1 | head -n 1)
last_request=$(requests_from 1 | tail -n 1)
release_ms='?'
[ -n "$release_stamp" ] && release_ms=$((release_stamp - pressed_stamp))

# --- behind a USB-serial bridge ----------------------------------------------------------------

# bridge_period LATENCY: the program started again, with the settings it starts with the first
# time (set 1), on a simulator behind a bridge of LATENCY ms; sets `period` to the median request
# period in set 1 over the bridge's measuring time.
bridge_seconds=${VORTLEN3_BENCH_BRIDGE_SECONDS:-20}
bridge_period() {
  local from to
  stop_process "$program_pid"
  program_pid=''
  stop_process "$sim_pid"
  sim_pid=''
  rm -rf "${work:?}/config" && mkdir -p "$work/config"
  bridge_latency=$1
  start_on_paced_simulator
  from=$(($(log_lines) + 1))
  sleep "$bridge_seconds"
  to=$(log_lines)
  running "$program_pid" || fail "the program ended behind the bridge of $1 ms"
  period=$(request_intervals "$from" "$to" "$set1_request" | median)
}
bridge_lines=()
for latency in $bridges; do
  bridge_period "$latency"
  bridge_lines+=("$(printf '  %-6s %12s %10s %22s' "$latency ms" \
    "$(awk -v t="$(link_figure "$link_figures" "$latency" median_ms)" 'BEGIN { printf "%.1f ms", t }')" \
    "$(awk -v t="$(link_figure "$link_figures" "$latency" wire_ms)" 'BEGIN { printf "%.1f ms", t }')" \
    "$period ms")")
done

# --- figures -----------------------------------------------------------------------------------

cpu_seconds=$(awk -v t="$cpu_ticks_used" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", t / hz }')
cpu_percent=$(percent_of_core "$cpu_ticks_used" "$measure_ms")
expected=$(awk -v t="$transaction_ms" 'BEGIN { printf "%.1f", t + 90 }')
difference=$(awk -v m="$median" -v e="$expected" 'BEGIN { printf "%+.1f", m - e }')

echo
echo "Вортлен 3 on the simulator at 9600 baud, Xvfb ${screen_width}x${screen_height}, window $start_size"
echo "  measuring time:          $(awk -v ms="$measure_ms" 'BEGIN { printf "%.1f", ms / 1000 }') s in set 1"
if [ "$recording" = 1 ]; then
  echo "  recording:               on, $record_rows rows written by the end of the measuring time"
else
  echo "  recording:               off"
fi
echo "  set-1 requests:          $((count + 1)) ($count intervals; $other_requests other requests)"
echo "  request to request:      median $median ms (min $(quantile 0), 90 % $(quantile 0.9), max $(quantile 1))"
echo "  transaction + 90 ms:     $transaction_ms + 90 = $expected ms (transaction: $transaction_source)"
echo "  median minus that:       $difference ms"
echo "  CPU:                     $cpu_seconds s user+system = $cpu_percent % of one core"
echo "  memory:                  VmRSS $vm_rss, VmHWM $vm_hwm"
echo "  exit:                    release request $release_ms ms and end of the program $ended_ms ms after \"Завершить программу\" (status $status)"
[ "$last_request" = "$release_request" ] || echo "  WARNING: the last request the ECU received was '$last_request', not the release request"
echo "  menu bar:                $small_menu_bar px at 640 px, $menu_bar_height px at 1280 px"
if [ "${#bridge_lines[@]}" -gt 0 ]; then
  echo "Behind a USB-serial bridge (simulator --usb-latency), ${bridge_seconds} s in set 1 each:"
  printf '  %-6s %12s %10s %22s\n' bridge transaction wire "request to request"
  printf '  %-6s %12s %10s %22s\n' none "$transaction_ms ms" \
    "$(awk -v t="$(link_figure "$link_figures" 0 wire_ms)" 'BEGIN { printf "%.1f ms", t }')" \
    "$median ms"
  printf '%s\n' "${bridge_lines[@]}"
fi
echo "Screenshots in ${artefacts#"$root"/}/: ${shots[*]}"
