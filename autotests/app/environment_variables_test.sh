#!/usr/bin/env bash
# The environment variables the program reads are exactly those its `--help` and its manual page
# list: a variable added to the code and not to the documents (or the other way round) fails.
#   environment_variables_test.sh PROGRAM SOURCE_DIR
# The program's reads are found in src/ and sim/ (getenv and Qt's qEnvironmentVariable
# family); a name built with "%u" (VORTLEN3_COM%u) stands for the numbered series, which the
# documents give as "VORTLEN3_COM1 ... VORTLEN3_COM4". XDG_CONFIG_HOME is read for the program
# by QSettings, which keeps the settings there.
set -uo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PROGRAM SOURCE_DIR" >&2
  exit 2
fi
program=$1
source_dir=$2
readonly read_by_toolkit='XDG_CONFIG_HOME'
readonly reads='getenv|qgetenv|qEnvironmentVariable[A-Za-z]*'

# The numbered series as one name: VORTLEN3_COM%u, VORTLEN3_COM1 and VORTLEN3_COM4 are VORTLEN3_COMn.
series() { sed -E 's/^([A-Z][A-Z0-9_]*[A-Z_])(%u|%d|[0-9]+)$/\1n/' | sort -u; }

in_code() {
  local file found=0
  while IFS= read -r file; do
    # A name given as a literal to the read itself.
    grep -ohE "($reads) *\\( *\"[A-Z][A-Z0-9_]*\"" "$file" | grep -oE '"[A-Z][A-Z0-9_]*"' | tr -d '"'
    # A name built into a buffer first: the file's name templates.
    if grep -qE "($reads) *\\( *[a-z]" "$file"; then
      grep -ohE '"[A-Z][A-Z0-9]*_[A-Z0-9_]*%[ud]"' "$file" | tr -d '"' | grep . || {
        echo "$file reads a variable whose name this test cannot tell" >&2
        found=1
      }
    fi
  done < <(grep -rlE "\\b($reads) *\\(" "$source_dir/src" "$source_dir/sim")
  echo "$read_by_toolkit"
  return "$found"
}

# `--help`: the names at the start of the lines of its part "Переменные окружения".
in_help() {
  "$program" --help | sed -n '/^Переменные окружения:/,/^$/p' |
    grep -oE '^  [A-Z][A-Z0-9_]*( \.\.\. [A-Z][A-Z0-9_]*)?' | grep -oE '[A-Z][A-Z0-9_]*'
}

# The manual page: the tags of its section ОКРУЖЕНИЕ, the line after each .TP.
in_manual() {
  sed -n '/^\.SH ОКРУЖЕНИЕ/,/^\.SH [^О]/p' "$source_dir/docs/man/vortlen3.1" |
    awk 'tag { print; tag = 0 } /^\.TP/ { tag = 1 }' | sed 's/\\//g' |
    grep -oE '[A-Z][A-Z0-9_]*[0-9_][A-Z0-9_]*|[A-Z][A-Z_]{3,}' | grep -vE '^(B|BR|IR)$'
}

code=$(in_code | series) || { echo "FAIL: see above"; exit 1; }
help=$(in_help | series)
manual=$(in_manual | series)
echo "read by the program: $(echo "$code" | tr '\n' ' ')"
status=0
compare() {
  [ "$2" = "$code" ] && return 0
  echo "FAIL: the $1 lists $(echo "$2" | tr '\n' ' ')"
  diff <(echo "$code") <(echo "$2") | sed -n 's/^</  not listed:/p; s/^>/  not read:/p'
  status=1
}
compare "--help" "$help"
compare "manual page" "$manual"
[ "$status" -eq 0 ] && echo "ok: --help and the manual page list exactly these"
exit "$status"
