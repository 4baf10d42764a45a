# shellcheck shell=bash
# What the two program benchmarks share, on top of common.sh: the build, the program's CPU time,
# and the intervals between one request and the next in the simulator's log.
#   build                     the build folder (VORTLEN3_BUILD_DIR, default build)
#   seconds                   the measuring time (VORTLEN3_BENCH_SECONDS, default 30)
#   artefacts                 artifacts/bench, for the screenshots
#
# The variables set here are read by the scripts that source this.
# shellcheck disable=SC2034

# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd) || exit 1
cd "$root" || exit 1
build=${VORTLEN3_BUILD_DIR:-build}
seconds=${VORTLEN3_BENCH_SECONDS:-30}
artefacts="$root/artifacts/bench"
readonly set1_request='61 07 08 51 52 53 54 1A 63 29 26 35 23 5C 34'

fail() {
  echo "$(basename "$0"): $*" >&2
  [ -s "$work/program.log" ] && tail -n 20 "$work/program.log" >&2
  exit 1
}

# build_targets TARGET...: configures the build folder and builds the targets.
build_targets() {
  cmake --preset plain -B "$build" >/dev/null || fail "configure"
  cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null || fail "build"
  mkdir -p "$artefacts"
}

# Starts the program on the paced simulator, behind a USB-serial bridge of $bridge_latency ms when
# that is set, and waits for its main window polling set 1; sets `window` to the main window.
bridge_latency=''
start_on_paced_simulator() {
  start_simulator "$build/sim/vortlen3-ecusim" --pace --log \
    ${bridge_latency:+--usb-latency "$bridge_latency"}
  launch_program "$build/src/app/vortlen3"
  wait_until 15 at_least 1 "$set1_request" 5 || fail "the program did not reach the cycle in set 1"
  wait_until 10 prints main_window || fail "the main window did not appear"
  window=$(main_window)
}

# The program's user and system time so far, in clock ticks.

# request_intervals FIRST LAST REQUEST: the milliseconds from one REQUEST to the next between
# lines FIRST and LAST of the simulator's log ("<ms> > <bytes>" a request), sorted.
request_intervals() {
  sed -n "$1,$2p" "$work/simulator.log" |
    awk -v request="$3" '
      $2 == ">" { line = $0; sub(/^[^ ]* > /, "", line) }
      $2 == ">" && line == request {
        if (seen) print $1 - last
        last = $1; seen = 1
      }' | sort -n
}

# link_figure JSON LATENCY COUNTER: a counter of link_bench's case with that USB latency (0: no
# bridge) from its JSON output.
link_figure() {
  awk -v name="usb_latency_ms:$2/" -v counter="\"$3\":" '
    /"name":/ { current = index($0, name) > 0 }
    current && $1 == counter { sub(/,$/, "", $2); print $2 + 0; exit }' "$1"
}

# The median of the sorted numbers on standard input.
median() {
  awk '{ v[NR] = $1 } END {
    if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}


# Lets the program run for the measuring time; sets first_line and last_line (the simulator's log
# lines of that time), measure_ms and cpu_ticks_used.
measure() {
  local ticks_before start
  first_line=$(($(log_lines) + 1))
  ticks_before=$(cpu_ticks)
  start=$(now_ms)
  sleep "$seconds"
  cpu_ticks_used=$(($(cpu_ticks) - ticks_before))
  measure_ms=$(($(now_ms) - start))
  last_line=$(log_lines)
  running "$program_pid" || fail "the program ended during the measuring time"
}
