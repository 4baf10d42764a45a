#!/usr/bin/env bash
# Serves the Win32 port tests' COM ports: one vortlen3-ecusim a port, each in its own mode, on
# the link that the Wine prefix maps the port to.
#   win32_simulators.sh start ECUSIM PORTS_DIR PID_FILE N=OPTIONS...
#       serves PORTS_DIR/comN with ECUSIM OPTIONS (comma-separated); "stalled" starts a
#       simulator and stops it (SIGSTOP), so that the port takes nothing; "replug,N" is an
#       adapter pulled out at its N-th request and plugged back half a second later, for ever
#   win32_simulators.sh stop PID_FILE
set -euo pipefail

# Whether a process is there and not yet ended (a zombie is ended).
running() {
  local state
  state=$(sed -n 's/^[0-9]* (.*) \([A-Z]\).*/\1/p' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Ends the simulators a PID file lists, if they are still ours: all are told at once, then
# waited for. Each leads a process group of its own (the replugging loop and its simulator).
stop_all() {
  local pid_file=$1 pid
  [ -f "$pid_file" ] || return 0
  local ours=()
  while read -r pid; do
    [ -n "$pid" ] || continue
    grep -q vortlen3-ecusim "/proc/$pid/cmdline" 2>/dev/null || continue
    ours+=("$pid")
    kill -CONT -- "-$pid" 2>/dev/null || kill -CONT "$pid" 2>/dev/null || true
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
  done <"$pid_file"
  for pid in "${ours[@]}"; do
    for _ in $(seq 50); do
      running "$pid" || break
      sleep 0.1
    done
    kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
  done
  rm -f "$pid_file"
}

start_all() {
  local ecusim=$1 ports=$2 pid_file=$3
  shift 3
  if [ ! -x "$ecusim" ]; then
    echo "no simulator at $ecusim: build the plain preset first" >&2
    return 1
  fi
  stop_all "$pid_file"  # a run that was cut short
  mkdir -p "$ports"
  : >"$pid_file"
  local spec n options stalled pid link words
  for spec in "$@"; do
    n=${spec%%=*}
    options=${spec#*=}
    stalled=false
    if [ "$options" = stalled ]; then
      stalled=true
      options=
    fi
    link="$ports/com$n"
    IFS=, read -r -a words <<<"$options"
    # A session of its own: the stopped one would otherwise be sent SIGHUP when this script ends.
    if [ "${words[0]:-}" = replug ]; then
      # shellcheck disable=SC2016  # expanded by the loop's own shell
      setsid bash -c 'while :; do "$1" --unplug-at "$2" --link "$3"; sleep 0.5; done' replug \
        "$ecusim" "${words[1]}" "$link" </dev/null >/dev/null 2>"$ports/com$n.log" &
    else
      setsid "$ecusim" "${words[@]}" --link "$link" </dev/null >/dev/null 2>"$ports/com$n.log" &
    fi
    pid=$!
    echo "$pid" >>"$pid_file"
    for _ in $(seq 50); do
      [ -L "$link" ] && break
      sleep 0.1
    done
    if [ ! -L "$link" ]; then
      echo "the simulator for COM$n did not start:" >&2
      cat "$ports/com$n.log" >&2
      return 1
    fi
    if $stalled; then kill -STOP "$pid"; fi
    echo "COM$n: vortlen3-ecusim ${words[*]} (PID $pid)"
  done
}

case ${1:-} in
  start) shift; start_all "$@" ;;
  stop) shift; stop_all "$@" ;;
  *) echo "usage: $0 start ECUSIM PORTS_DIR PID_FILE N=OPTIONS... | stop PID_FILE" >&2; exit 2 ;;
esac
