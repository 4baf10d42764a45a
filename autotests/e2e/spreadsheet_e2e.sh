#!/usr/bin/env bash
# End to end: a recording of the simulator opens in LibreOffice Calc under a Russian locale
# with every value column as numbers.
#   spreadsheet_e2e.sh PROGRAM SIMULATOR ARTEFACT_DIR
#
# Ctrl+R records set 1, then set 4 (its mode-point index is two columns, its values fractions),
# then the graph view's set 1. LibreOffice, headless, under ru_RU.UTF-8 and with the import
# options its text import dialog starts with (comma, semicolon and tab between fields, the
# double quote around text, UTF-8, from the first line), converts each file to a flat
# OpenDocument spreadsheet; in that spreadsheet every cell of every row but the header is a
# number, the hex answer excepted, and the header keeps its Cyrillic and units.
set -uo pipefail

limit_seconds=170
source "$(dirname "${BASH_SOURCE[0]}")/e2e_lib.sh" "$@"

command -v soffice >/dev/null || fail "soffice is missing: install libreoffice-calc-nogui (scripts/setup)"
records="$work/records"
export VORTLEN3_RECORD_DIR="$records"

# The machine may have only C.UTF-8 built: ru_RU.UTF-8 is made in the work folder.
russian=(env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8)
if ! locale -a 2>/dev/null | grep -qiE '^ru_RU\.utf-?8$'; then
  mkdir -p "$work/locale"
  localedef -i ru_RU -f UTF-8 "$work/locale/ru_RU.UTF-8" || fail "cannot build the ru_RU.UTF-8 locale"
  russian+=(LOCPATH="$work/locale")
fi

graph_window() { window_named '^График$'; }

start_program
wait_until 15 at_least 1 "$set1_request" 3 || fail "the program did not reach the cycle with set 1"
wait_until 10 prints main_window || fail "the main window did not appear"
window=$(main_window)
focus_main_window
xdo key ctrl+r || fail "xdotool cannot press Ctrl+R"
sleep 3
key_in_main_window ctrl+F4
sleep 3
key_in_main_window F6
wait_until 5 prints graph_window || fail "the graph window did not appear"
focus_window "$(graph_window)" "the graph window"
sleep 3
xdo key ctrl+r || fail "xdotool cannot press Ctrl+R"
sleep 0.5
xdo key Escape || fail "xdotool cannot press Escape"
wait_until 5 prints_nothing graph_window || fail "Escape did not close the graph view"
exit_by_signal

mapfile -t files < <(find "$records" -name '*.csv' | sort)
[ "${#files[@]}" -eq 3 ] || fail "${#files[@]} recording files, not 3: ${files[*]}"
cp "${files[@]}" "$artefacts/"
note "recorded set 1, set 4 and the graph view's set 1"

# The types of a flat spreadsheet's cells, one row a line: "string float float ... string",
# repeated cells written out, empty ones as "empty".
cell_types() {
  sed 's/</\n</g' "$1" | awk '
    /^<table:table-row[ >]/ { if (row != "") print row; row = ""; inrow = 1; next }
    /^<\/table:table-row>/ { print row; row = ""; inrow = 0; next }
    inrow && /^<table:(covered-)?table-cell[ >\/]/ {
      n = 1; if (match($0, /number-columns-repeated="[0-9]+"/)) n = substr($0, RSTART + 25, RLENGTH - 26) + 0
      type = "empty"; if (match($0, /office:value-type="[a-z]+"/)) type = substr($0, RSTART + 19, RLENGTH - 20)
      if (n > 64) n = 1
      for (i = 0; i < n; i++) row = row (row == "" ? "" : " ") type }'
}

profile="$work/libreoffice"
for file in "${files[@]}"; do
  name=$(basename "$file" .csv)
  columns=$(head -n 1 "$file" | awk -F';' '{ print NF }')
  rows=$(($(wc -l <"$file") - 1))
  converted_at=$(now_ms)
  HOME="$work" timeout 120 "${russian[@]}" soffice "-env:UserInstallation=file://$profile" --headless \
    --infilter='Text - txt - csv (StarCalc):44/59/9,34,76,1' --convert-to fods --outdir "$work/fods" \
    "$file" >"$work/soffice.log" 2>&1 || fail "LibreOffice could not convert $name: $(cat "$work/soffice.log")"
  fods="$work/fods/$name.fods"
  [ -s "$fods" ] || fail "LibreOffice wrote no $name.fods: $(cat "$work/soffice.log")"
  cp "$fods" "$artefacts/"
  cell_types "$fods" | awk -v columns="$columns" '$1 != "empty"' >"$work/types"
  header=$(head -n 1 "$work/types")
  expected_header=$(printf 'string%.0s ' $(seq "$columns") | sed 's/ $//')
  [ "$(cut -d' ' -f1-"$columns" <<<"$header")" = "$expected_header" ] ||
    fail "$name: the header row's cells are '$header'"
  expected_row="$(printf 'float%.0s ' $(seq $((columns - 1))))string"
  numeric=$(tail -n +2 "$work/types" | cut -d' ' -f1-"$columns" | grep -cxF "$expected_row")
  if [ "$numeric" -ne "$rows" ]; then
    bad=$(tail -n +2 "$work/types" | cut -d' ' -f1-"$columns" | grep -vxF "$expected_row" | head -n 1)
    fail "$name: $numeric of $rows rows are numbers in every value column; one is: $bad"
  fi
  grep -q '<text:p>Время (с)</text:p>' "$fods" || fail "$name: the header lost its Cyrillic"
  note "$name: $rows rows × $((columns - 1)) value columns, every one a number ($(elapsed "$converted_at") s)"
done
grep -q 'office:value="0.[0-9]*"' "$work/fods/$(basename "${files[1]}" .csv).fods" ||
  fail "set 4 has no fraction among its numbers"
note "every value column of every file is numbers in LibreOffice under ru_RU.UTF-8"
