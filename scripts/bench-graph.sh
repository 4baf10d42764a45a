#!/usr/bin/env bash
# Figures of the graph view: the program on its own X server (Xvfb, 1920x1080) against the
# simulator paced at 9600 baud, with the graph view open (F6) in set 1:
#   - the program's CPU use over the measuring time, as % of one core;
#   - the time from one graph request to the next, from the simulator's log;
#   - a screenshot of the graph view in artifacts/bench/.
#
#   VORTLEN3_BUILD_DIR        build folder (default build)
#   VORTLEN3_BENCH_SECONDS    measuring time (default 30)
#
# The program ends by SIGTERM, as a logout ends it; no menu of the main window is touched.
set -uo pipefail
# shellcheck source=lib/bench.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/bench.sh"

readonly graph_request='61 23 29 26 51 52 53 54'
readonly screen_width=1920 screen_height=1080

make_work vortlen3-bench-graph
require_tools Xvfb xdotool import timeout awk
build_targets vortlen3 vortlen3-ecusim
start_xvfb "$screen_width" "$screen_height"
start_on_paced_simulator
sleep 1
xdo windowfocus --sync "$window" >/dev/null 2>&1
from=$(($(log_lines) + 1))
xdo key F6 || fail "xdotool cannot press F6"
wait_until 5 at_least "$from" "$graph_request" 5 || fail "the graph view did not poll after F6"
# Let the history fill a little before measuring.
sleep 2

measure
timeout 20 import -window root "$artefacts/graph-view-1920x1080.png" || fail "no screenshot"

intervals=$(request_intervals "$first_line" "$last_line" "$graph_request")
count=$(echo "$intervals" | grep -c .)
# A graph request goes out at least every 0.6 s.
wanted=$((seconds * 5 / 3))
[ "$count" -ge "$wanted" ] ||
  fail "only $count graph request intervals in $seconds s (at least $wanted wanted)"
median=$(echo "$intervals" | median)
cpu_percent=$(percent_of_core "$cpu_ticks_used" "$measure_ms")

echo
echo "The graph view on the simulator at 9600 baud, Xvfb ${screen_width}x${screen_height}, set 1"
echo "  measuring time:      $(awk -v ms="$measure_ms" 'BEGIN { printf "%.1f", ms / 1000 }') s"
echo "  graph requests:      $((count + 1)), request to request median $median ms"
echo "  CPU:                 $cpu_percent % of one core"
echo "Screenshot: artifacts/bench/graph-view-1920x1080.png"
