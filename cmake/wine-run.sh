#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, creating the prefix on first use.
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# Wine works without an X display; a program with windows names its display in
# VORTLEN3_WINE_DISPLAY (the tests' programs have none).
# The new prefix maps COM1..COM10 to the links PREFIX/ports/com1..com10, so that a test can point
# a port at a simulator's pseudo-terminal with a symbolic link, without restarting Wine.
set -euo pipefail

prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialog while the prefix is made; the tests need neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY

# The marker names what the prefix was made with: a prefix from before COM10 or from before its
# own user folders is made again.
ready="$prefix/.ready-com1-10-folders"
if [ ! -f "$ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$ready" ]; then
      wineboot --init >/dev/null 2>&1
      # Wine links Documents, Desktop and the like to the home folder: a program's recordings and
      # shortcuts would land there. They are folders of the prefix instead.
      for folder in "$prefix"/drive_c/users/*/*; do
        if [ -L "$folder" ]; then rm -f "$folder" && mkdir -p "$folder"; fi
      done
      mkdir -p "$prefix/ports"
      for n in 1 2 3 4 5 6 7 8 9 10; do
        wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ \
          /d "$prefix/ports/com$n" /f >/dev/null 2>&1
      done
      # Wine's mount manager reads the ports when the prefix starts.
      wineserver --kill || true
      wineserver --wait || true
      touch "$ready"
    fi
  ) 9>"$prefix.lock"
fi

# The desktop process Wine starts with the server draws the windows of every program after: it
# gets the display, when there is one.
if [ -n "${VORTLEN3_WINE_DISPLAY:-}" ]; then export DISPLAY=$VORTLEN3_WINE_DISPLAY; fi
# A server that ends as a program starts leaves that program with "recvmsg: Connection reset
# by peer". Start it here, kept for 30 s after its last program, so that it does not end
# between the tests of a run (a second start while one runs does nothing).
wineserver --persistent=30 </dev/null >/dev/null 2>&1 || true
# Wine's own background processes (services, device drivers) start with the first program and
# inherit its output: started by the test, they would hold the test's output pipe open for the
# server's 30 s, and the test runner would wait for them. Started here they hold nothing.
timeout 120 wine wineboot </dev/null >/dev/null 2>&1 || true
exec wine "$@"
