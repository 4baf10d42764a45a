# shellcheck shell=bash
# What every end-to-end test shares, sourced with the test's own arguments:
#   source e2e_lib.sh PROGRAM SIMULATOR ARTEFACT_DIR
# It sets `program`, `simulator` and `artefacts` from them, starts a watchdog, an X server of
# the test's own and the simulated ECU (`simulator_options` adds options), and cleans all of
# them up on exit.
#
# The main menu is only ever driven with Alt, Left, Return, Return: the first item of
# "Завершение". Its second item would switch the computer off; besides never reaching it, the
# program gets a system bus address that leads nowhere.
#
# A PROGRAM ending in .exe is the Windows program: it runs under Wine in the prefix
# $VORTLEN3_WINEPREFIX with COM1 linked to the simulator, its settings are read from the prefix's
# registry, and `on_windows` is true, for the steps a Windows program takes otherwise (it has no
# termination signals to answer).
#
# Many of the variables set here are read only by the tests.
# shellcheck disable=SC2034

if [ $# -ne 3 ]; then
  echo "usage: $0 PROGRAM SIMULATOR ARTEFACT_DIR" >&2
  exit 2
fi
program=$1
simulator=$2
artefacts=$3
case $program in
  *.exe) windows=1 ;;
  *) windows=0 ;;
esac
on_windows() { [ "$windows" -eq 1 ]; }
# How long a started program may take to reach its polling: Wine's processes start slowly on a
# loaded machine.
start_seconds=15
on_windows && start_seconds=60

# Requests and colours the tests look for.
readonly release_request='62 09 00 0A 00 0B 00 0C 00 0D 00 0E 00 0F 00'
readonly set_prefix='61 07 08 51 52 53 54'
readonly set1_request='61 07 08 51 52 53 54 1A 63 29 26 35 23 5C 34'
# The value fields' text and a lit mode flag, as the main window paints them.
readonly value_colour='#64FFFF'
readonly lit_flag_colour='#B48250'
: "${simulator_options:=}"

# shellcheck source=../../scripts/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/common.sh"

started=$(now_ms)
make_work vortlen3-e2e
watchdog_pid=''
stop_on_exit watchdog_pid
# The whole test ends within this time, whatever hangs: then it still cleans up after itself.
readonly limit_seconds=${limit_seconds:-90}

# --- helpers -----------------------------------------------------------------------------------

elapsed() { local ms=$(($(now_ms) - $1)); printf '%d.%02d' $((ms / 1000)) $((ms % 1000 / 10)); }
note() { echo "[$(elapsed "$started") s] $*"; }

# The logs and the settings file stay with the screenshots.
keep_artefacts() {
  mkdir -p "$artefacts"
  cp -f "$work/simulator.log" "$artefacts/simulator.log" 2>/dev/null
  cp -f "$work/program.log" "$artefacts/program.log" 2>/dev/null
  cp -f "$work/config/Vortlen3/Vortlen3.ini" "$artefacts/Vortlen3.ini" 2>/dev/null
  cp -f "$work/trace.txt" "$artefacts/trace.txt" 2>/dev/null
  cp -f "$work/settings.reg" "$artefacts/Vortlen3.reg" 2>/dev/null
}
on_exit keep_artefacts
trap 'echo "FAIL: stopped after $(elapsed "$started") s" >&2; exit 1' TERM

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$work/simulator.log" ]; then
    echo "--- last requests the simulator received:" >&2
    tail -n 8 "$work/simulator.log" >&2
  fi
  if [ -s "$work/program.log" ]; then
    echo "--- program output:" >&2
    tail -n 20 "$work/program.log" >&2
  fi
  exit 1
}

# Some request from line FROM on matches the regular expression PATTERN.
any_request_matches() { requests_from "$1" | grep -qE "$2"; }

# Number of pixels of one colour in a screenshot.
pixels_of() {
  local count
  count=$(timeout 20 convert "$1" -format %c histogram:info:- 2>/dev/null | grep -F " $2 " |
            sed 's/^ *\([0-9]*\):.*/\1/' | head -n 1)
  echo "${count:-0}"
}

# The value of KEY in SECTION ("[...]", as Qt escapes it) of the program's settings file, or, for
# the Windows program, of its registry key HKCU\Software\Vortlen3\SECTION.
saved_setting() {
  if on_windows; then
    registry_setting "$@"
    return
  fi
  local ini="$work/config/Vortlen3/Vortlen3.ini"
  [ -f "$ini" ] || fail "no settings file at $ini"
  awk -v section="$1" -v key="$2" '
    /^\[/ { inside = ($0 == section); next }
    inside { split($0, pair, "="); if (pair[1] == key) value = pair[2] }
    END { print value }' "$ini"
}

# Qt's escaped name ("%U0413%U043B..") as text.
unescape_qt() { LC_ALL=C.UTF-8 printf '%b' "${1//%U/\\u}"; }

# The program's settings in Wine's registry, as a .reg file in UTF-8 ($work/settings.reg).
export_registry() {
  rm -f "$work/settings.utf16"
  wine_in_prefix reg export 'HKCU\Software\Vortlen3' "Z:$work/settings.utf16" >/dev/null 2>&1
  [ -f "$work/settings.utf16" ] || return 1
  iconv -f UTF-16 -t UTF-8 "$work/settings.utf16" | tr -d '\r' >"$work/settings.reg"
}

registry_setting() {
  local section key value
  section=$(unescape_qt "${1#[}")
  section=${section%]}
  key=$(unescape_qt "$2")
  export_registry || fail "no settings under HKCU\\Software\\Vortlen3 in Wine's registry"
  value=$(awk -v section="[HKEY_CURRENT_USER\\Software\\Vortlen3\\$section]" -v key="\"$key\"" '
    /^\[/ { inside = ($0 == section); next }
    inside && index($0, key "=") == 1 {
      value = substr($0, length(key) + 2)
      gsub(/"/, "", value)
    }
    END { print value }' "$work/settings.reg") || return 1
  # Every value is a DWORD, exported in hexadecimal.
  case $value in
    dword:*) echo $((16#${value#dword:})) ;;
    '') echo '' ;;
    *) echo "not a DWORD: $value" ;;
  esac
}

screenshot() { timeout 20 import -display "$DISPLAY" -window root "$artefacts/$1"; }

# Takes screenshots until the value fields show figures and a mode flag is lit.
screenshot_with_values() {
  local name=$1 deadline values=0 flags=0
  deadline=$(($(now_ms) + 10000))
  while :; do
    screenshot "$name" || fail "cannot take the screenshot $name"
    values=$(pixels_of "$artefacts/$name" "$value_colour")
    flags=$(pixels_of "$artefacts/$name" "$lit_flag_colour")
    [ "$values" -ge 200 ] && [ "$flags" -ge 200 ] && break
    [ "$(now_ms)" -gt "$deadline" ] &&
      fail "$name: the window shows no values ($values value pixels, $flags lit-flag pixels)"
    sleep 0.2
  done
  note "screenshot $name ($values value pixels, $flags lit-flag pixels)"
}

# Gives WINDOW the keyboard focus, or fails naming it as WHAT.
focus_window() {
  local window=$1 what=$2 focused
  for _ in 1 2 3 4 5; do
    xdo windowfocus --sync "$window" >/dev/null 2>&1
    focused=$(xdo getwindowfocus 2>/dev/null)
    [ "$focused" = "$window" ] && return 0
    sleep 0.2
  done
  fail "$what does not take the keyboard focus"
}

# Presses KEY (xdotool's name) in the main window.
key_in_main_window() {
  focus_main_window
  xdo key "$1" || fail "xdotool cannot press $1"
}

# Waits at most 5 s for the main window's polling to send three set-1 requests after log line
# FROM: the main polling has resumed.
main_polling_resumes() {
  wait_until 5 at_least "$1" "$set1_request" 3 ||
    fail "the main window's polling did not resume (no set-1 requests within 5 s)"
}

focus_main_window() {
  local window
  window=$(main_window)
  [ -n "$window" ] || fail "the main window is not on the screen"
  focus_window "$window" "the main window"
  # Wine gives the keys to the window it made active, which the X focus alone does not change
  # while another of the program's windows is open: a click on the main window's empty bottom
  # right corner does.
  if on_windows; then
    window_geometry "$window" || fail "no geometry of the main window"
    xdo mousemove $((win_x + win_w - 6)) $((win_y + win_h - 6)) click 1 ||
      fail "xdotool cannot click the main window"
    xdo mousemove 1279 1023
    sleep 0.2
  fi
}

start_program() { launch_program "$program"; }

# Waits at most LIMIT s (5 by default) for the program to end after `what` (asked at `since` ms)
# with status 0.
wait_for_clean_end() {
  local since=$1 what=$2 limit=${3:-5} status
  wait_until "$limit" program_ended || fail "the program is still running $limit s after $what"
  wait "$program_pid"
  status=$?
  program_pid=''
  note "the program ended $(elapsed "$since") s after $what, exit status $status"
  [ "$status" -eq 0 ] || fail "the program ended with status $status after $what"
}

# Exits through "Завершение › Завершить программу" and waits for the program to end.
exit_through_menu() {
  local shot=$1 pressed
  focus_main_window
  xdo key alt || fail "xdotool cannot press Alt"
  sleep 0.3
  xdo key Left || fail "xdotool cannot press Left"
  sleep 0.3
  xdo key Return || fail "xdotool cannot press Return"
  sleep 0.4
  screenshot "$shot" || fail "cannot take the screenshot $shot"
  running "$program_pid" || fail "the program ended before its exit command was chosen"
  pressed=$(now_ms)
  xdo key Return || fail "xdotool cannot press Return"
  # Wine's own processes take their time to end on a loaded machine.
  local limit=5
  on_windows && limit=10
  wait_for_clean_end "$pressed" "\"Завершить программу\"" "$limit"
}

# Asks the program to stop as a logout or Ctrl+C does, and waits for it to end.
exit_by_signal() { exit_by_signal_within 5; }

# The same, allowing the program LIMIT seconds to end.
exit_by_signal_within() {
  local sent
  sent=$(now_ms)
  kill -TERM "$program_pid" 2>/dev/null || fail "the program ended before it was asked to stop"
  wait_for_clean_end "$sent" SIGTERM "$1"
}

last_request_is_release() {
  local last
  last=$(requests_from 1 | tail -n 1)
  [ "$last" = "$release_request" ] ||
    fail "the last request the ECU received is '$last', not the release request"
}

(
  trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
  sleep "$limit_seconds" &
  sleeper=$!
  wait "$sleeper"
  echo "FAIL: the test did not end within $limit_seconds s" >&2
  kill -TERM $$
) &
watchdog_pid=$!

# --- tools, X server, simulated ECU -----------------------------------------------------------

require_tools Xvfb xdotool import convert timeout
[ -x "$program" ] || fail "no program at $program"
[ -x "$simulator" ] || fail "no simulator at $simulator"
mkdir -p "$artefacts" || fail "cannot create $artefacts"
rm -f "$artefacts"/*.png "$artefacts"/simulator.log "$artefacts"/program.log "$artefacts"/Vortlen3.ini \
  "$artefacts"/Vortlen3.reg

start_xvfb 1280 1024
note "Xvfb on $DISPLAY"
read -ra extra_simulator_options <<<"$simulator_options"
start_simulator "$simulator" --log "${extra_simulator_options[@]}"
note "simulator serving $sim_port"
if on_windows; then
  [ -n "${VORTLEN3_WINEPREFIX:-}" ] || fail "VORTLEN3_WINEPREFIX names no Wine prefix"
  # Every Windows test starts Wine afresh on its X server, from no settings, and leaves no Wine
  # process behind.
  stop_wine
  on_exit stop_wine
  wine_in_prefix reg delete 'HKCU\Software\Vortlen3' /f >/dev/null 2>&1
  note "Wine ready"
fi

# The adapter pulled out: the simulator ends, and its pseudo-terminal with it.
unplug_simulator() {
  stop_process "$sim_pid"
  sim_pid=''
}

# The adapter plugged back: a new simulator behind the same link, into the same request log.
plug_simulator_back() {
  "$simulator" --log --link "$work/tty" >"$work/simulator-$(now_ms).out" 2>>"$work/simulator.log" &
  sim_pid=$!
}
