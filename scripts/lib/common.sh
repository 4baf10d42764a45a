# shellcheck shell=bash
# What the scripts that run the program on a simulated ECU share: a work folder, an X server of
# their own, the simulator and its log, the program, waiting for a condition, and stopping all
# they started, by its process id, when the script ends.
#
#   source scripts/lib/common.sh
#   make_work vortlen3-e2e            # $work, removed on exit
#   start_xvfb 1280 1024              # $xvfb_pid, DISPLAY
#   start_simulator SIMULATOR --log   # $sim_pid, $sim_port; the port linked at $work/tty
#   launch_program PROGRAM            # $program_pid; its output in $work/program.log
#
# On exit the program is stopped first, then the other processes newest first (each
# `stop_on_exit NAME` names a variable holding a process id; a script that reaps a process itself
# clears its variable), then the `on_exit` commands run, then $work goes. Nothing is ever
# stopped by its name. A script that wants more from `fail MESSAGE` than the message on standard
# error defines its own after sourcing this.
#
# The variables set here are read by the scripts that source this.
# shellcheck disable=SC2034

work=''
xvfb_pid=''
sim_pid=''
sim_port=''
sim_started_ms=0
program_pid=''
win_x='' win_y='' win_w='' win_h=''
common_pid_names=()
common_exit_commands=()

fail() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

require_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup installs it)"
  done
}

# --- processes ---------------------------------------------------------------------------------

# A process is running when it exists and is not a zombie waiting to be reaped.
running() {
  local pid=$1 state
  [ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || return 1
  state=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1)
  [ -n "$state" ] && [ "$state" != Z ] && [ "$state" != X ]
}

# Asks process PID (a child of this shell) to stop, kills it after 2 s, and reaps it.
stop_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  if running "$pid"; then
    kill -TERM "$pid" 2>/dev/null
    wait_until 2 not running "$pid"
    running "$pid" && kill -KILL "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

# stop_on_exit NAME: the process whose id variable NAME holds is stopped when the script ends.
stop_on_exit() { common_pid_names+=("$1"); }
# on_exit COMMAND...: runs once the processes are stopped, before the work folder goes.
on_exit() { common_exit_commands+=("$*"); }

common_exit() {
  local i command
  # Stopping is bounded; a signal now must not cut it short.
  trap '' INT TERM
  stop_process "$program_pid"
  for ((i = ${#common_pid_names[@]} - 1; i >= 0; i--)); do
    stop_process "${!common_pid_names[i]}"
  done
  for command in "${common_exit_commands[@]}"; do
    eval "$command"
  done
  [ -n "$work" ] && rm -rf "$work"
  return 0
}
trap common_exit EXIT
trap 'exit 130' INT TERM

# make_work PREFIX: a private folder in $work (with config/ and runtime/ for the program).
make_work() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX") || fail "cannot create a work folder"
  mkdir -p "$work/config" "$work/runtime" || fail "cannot prepare $work"
  chmod 700 "$work/runtime"
}

# --- waiting -----------------------------------------------------------------------------------

# wait_until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds or time runs out.
wait_until() {
  local limit=$1 deadline
  shift
  deadline=$(($(now_ms) + limit * 1000))
  while :; do
    "$@" && return 0
    [ "$(now_ms)" -gt "$deadline" ] && return 1
    sleep 0.05
  done
}

# Conditions for wait_until, asked anew on every poll: `wait_until 5 prints main_window`, where
# `wait_until 5 test -n "$(main_window)"` would ask only once.
prints() { [ -n "$("$@")" ]; }
prints_nothing() { [ -z "$("$@")" ]; }
not() { ! "$@"; }

# --- X server ----------------------------------------------------------------------------------

xdo() { timeout 5 xdotool "$@"; }

# start_xvfb WIDTH HEIGHT: an X server on the first free display, reachable only through its
# local socket; exports DISPLAY and leaves the pointer in the bottom right corner, away from
# every window and menu.
start_xvfb() {
  local width=$1 height=$2
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  stop_on_exit xvfb_pid
  wait_until 10 grep -q '^[0-9][0-9]*$' "$work/display" ||
    fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
  DISPLAY=":$(head -n 1 "$work/display")"
  export DISPLAY
  wait_until 5 xdo mousemove $((width - 1)) $((height - 1)) >/dev/null 2>&1 ||
    fail "no X server on $DISPLAY"
}

main_window() { xdotool search --onlyvisible --name 'Вортлен 3' 2>/dev/null | head -n 1; }
# The first visible window whose title matches NAME (a regular expression), if any.
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }

# window_geometry WINDOW: sets win_x, win_y, win_w and win_h, the window's place and size.
window_geometry() {
  local key value geometry
  geometry=$(xdo getwindowgeometry --shell "$1") || return 1
  while IFS='=' read -r key value; do
    case $key in
      X) win_x=$value ;;
      Y) win_y=$value ;;
      WIDTH) win_w=$value ;;
      HEIGHT) win_h=$value ;;
    esac
  done <<<"$geometry"
}

# --- the simulator -----------------------------------------------------------------------------

# start_simulator SIMULATOR [OPTION...]: the simulated ECU with its port linked at $work/tty,
# what it logs in $work/simulator.log; sets sim_port to the port it prints first.
start_simulator() {
  local simulator=$1
  shift
  # The simulator's log counts milliseconds from its start: about this moment.
  sim_started_ms=$(now_ms)
  "$simulator" "$@" --link "$work/tty" >"$work/simulator.out" 2>"$work/simulator.log" &
  sim_pid=$!
  stop_on_exit sim_pid
  wait_until 5 simulator_ready ||
    fail "the simulator did not make its port link: $(tail -n 3 "$work/simulator.log")"
  sim_port=$(head -n 1 "$work/simulator.out")
}

simulator_ready() { [ -L "$work/tty" ] && [ -s "$work/simulator.out" ]; }

# The requests in the simulator's log from line FROM on (1-based), without their times.
# The simulator logs the lines of the program's wire trace, "<ms> > <bytes>" for a request; its
# notes ("<ms> = ...") are left out.
requests_from() {
  tail -n "+$1" "$work/simulator.log" 2>/dev/null | awk '$2 == ">"' | cut -d' ' -f3- | grep -v '^$'
}
log_lines() { wc -l <"$work/simulator.log"; }
count_from() { requests_from "$1" | grep -cxF "$2"; }
# at_least FROM REQUEST N: REQUEST is in the log N times or more from line FROM on.
at_least() { [ "$(count_from "$1" "$2")" -ge "$3" ]; }

# check_trace FILE RUNS DEVICE VERSION: the program's wire trace in FILE holds RUNS runs. Each
# begins with its header, "=== Вортлен 3 VERSION, <date> <time> <zone>, COM1 = DEVICE", and each
# after the first is set apart by an empty line; every other line is one the simulator's log
# has too: "<ms> > <bytes>", "<ms> < <bytes>" or "<ms> = <text>". Prints what is wrong.
check_trace() {
  [ -s "$1" ] || { echo "no wire trace in $1"; return 1; }
  awk -v runs="$2" -v device="$3" -v version="$4" '
    function bad(why) { print "line " NR ": " why ": " $0; wrong = 1 }
    /^=== / {
      headers++
      if (NR > 1 && previous != "") bad("a header with no empty line before it")
      stamp = "^=== Вортлен 3 " version ", [0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] " \
              "[0-9][0-9]:[0-9][0-9]:[0-9][0-9] [+-][0-9][0-9][0-9][0-9], COM1 = "
      if ($0 !~ stamp) bad("a header without the version, date, time and COM1")
      tail = "COM1 = " device
      if (substr($0, length($0) - length(tail) + 1) != tail) bad("a header without the device")
    }
    NR == 1 && !/^=== / { bad("the trace does not begin with a header") }
    previous == "" && NR > 1 && !/^=== / { bad("an empty line not followed by a header") }
    $0 != "" && !/^=== / && !/^[0-9]+ [<>]( [0-9A-F][0-9A-F])+$/ && !/^[0-9]+ = ./ {
      bad("not a trace line")
    }
    { previous = $0 }
    END {
      if (headers != runs) { print headers + 0 " run headers, not " runs; wrong = 1 }
      exit wrong
    }' "$1"
}

# --- the program -------------------------------------------------------------------------------

# launch_program PROGRAM: the program on this X server and the simulator's port (or
# $program_com1, where a script sets it) as COM1, with its
# own settings and a system bus address that leads nowhere (no power-off can reach the machine).
# Where a script sets $program_trace, the Linux program appends its wire trace there.
# A Windows program (PROGRAM ends in .exe) runs under Wine, in the prefix $VORTLEN3_WINEPREFIX,
# whose COM1 is then linked to that port; its settings are in the prefix's registry.
launch_program() {
  case $1 in
    *.exe) launch_windows_program "$1" ;;
    *)
      local trace=()
      [ -n "${program_trace:-}" ] && trace=(VORTLEN3_TRACE="$program_trace")
      env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u SESSION_MANAGER \
        DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
        XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-system-bus" \
        VORTLEN3_COM1="${program_com1:-$work/tty}" "${trace[@]}" \
        "$1" >>"$work/program.log" 2>&1 &
      program_pid=$!
      ;;
  esac
}

common_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

launch_windows_program() {
  [ -n "${VORTLEN3_WINEPREFIX:-}" ] || fail "VORTLEN3_WINEPREFIX names no Wine prefix for $1"
  # The prefix is made by the first program; its ports folder then holds COM1's link.
  mkdir -p "$VORTLEN3_WINEPREFIX/ports"
  ln -sfn "${program_com1:-$work/tty}" "$VORTLEN3_WINEPREFIX/ports/com1"
  env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY VORTLEN3_WINE_DISPLAY="$DISPLAY" \
    "$common_root/cmake/wine-run.sh" "$VORTLEN3_WINEPREFIX" "$1" >>"$work/program.log" 2>&1 &
  program_pid=$!
}

# Ends every Wine process of the prefix (its desktop and services with them): the next program
# starts Wine afresh on its own X server. Wine's desktop keeps the display it was started with.
stop_wine() {
  [ -n "${VORTLEN3_WINEPREFIX:-}" ] && [ -d "$VORTLEN3_WINEPREFIX" ] || return 0
  WINEPREFIX=$VORTLEN3_WINEPREFIX timeout 20 wineserver --kill >/dev/null 2>&1
  WINEPREFIX=$VORTLEN3_WINEPREFIX timeout 20 wineserver --wait >/dev/null 2>&1
  return 0
}

# wine_in_prefix COMMAND...: a Wine command (reg, for one) in the program's prefix, on this X
# server when there is one.
wine_in_prefix() {
  VORTLEN3_WINE_DISPLAY="${DISPLAY:-}" "$common_root/cmake/wine-run.sh" "$VORTLEN3_WINEPREFIX" "$@"
}

program_ended() { ! running "$program_pid"; }

# The clock ticks of CPU the program has used so far, user and system.
cpu_ticks() { sed 's/^.*) //' "/proc/$program_pid/stat" | awk '{ print $12 + $13 }'; }

# The percentage of one core that TICKS clock ticks make over MS milliseconds.
percent_of_core() {
  awk -v t="$1" -v hz="$(getconf CLK_TCK)" -v ms="$2" \
    'BEGIN { printf "%.2f", 100 * t / hz / (ms / 1000) }'
}

