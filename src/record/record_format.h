#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vortlen {

/// Which window a recording comes from.
enum class RecordWindow { Main, Graph };

/// How the fields of a recording are written. Recordings are written in the form a Russian
/// spreadsheet opens as numbers on a double-click: UTF-8 with a byte-order mark (Excel takes the
/// file for UTF-8 only with it), ';' between fields (Excel's list separator under Russian
/// settings) and a decimal comma, each number that holds one in double quotes (LibreOffice
/// splits at ',' as well as ';' unless told otherwise). Tools read it as
/// `pandas.read_csv(path, sep=';', decimal=',', encoding='utf-8-sig')`. The files 3.0.0 wrote
/// used ',' between fields and a decimal point; they are still read.
struct RecordDialect {
  char separator;
  char decimal;
};
inline constexpr RecordDialect kSpreadsheetDialect{';', ','};
inline constexpr RecordDialect kDialect300{',', '.'};

/// The byte-order mark a recording begins with.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// What the files of one set of one window hold: their column captions (the time, the window's
/// captions with their units, the flags and cylinders where the window shows them, the answer
/// in hex) and the bytes of a good answer. Each window gives the layouts of its sets.
struct RecordLayout {
  RecordWindow window = RecordWindow::Main;
  int set = 1;
  std::vector<std::string> columns;
  std::size_t answerLength = 0;
};

/// The first line of a file of `layout` (without the byte-order mark and the line break).
std::string recordHeader(const RecordLayout& layout, RecordDialect dialect = kSpreadsheetDialect);

// The pieces of a row, in the spreadsheet form. Each appends to `row`, whose capacity the caller
// reserves once; none allocates while that capacity suffices.

/// Milliseconds as seconds with three decimals, quoted: 12345 -> "\"12,345\"".
void appendSeconds(std::string& row, std::int64_t ms);
/// A value text as the window shows it, as a number: a decimal point or comma becomes the
/// decimal comma, quoted ("\"0,45\""), and the "3:10" of a mode-point index becomes the two
/// columns "3;10".
void appendShown(std::string& row, std::string_view shown);
/// Bytes as "1A 63 00".
void appendHex(std::string& row, std::span<const std::uint8_t> bytes);
/// A text field, in double quotes when it holds the separator, a comma, a quote or a line break.
void appendField(std::string& row, std::string_view text, char separator = ';');

/// Splits one line of fields, quotes undone. False when a quote is left open.
bool splitCsvLine(std::string_view line, std::vector<std::string>& fields, char separator = ';');

/// Reads "1A 63 00" into `out`; the byte count, or -1 when the text is not hex bytes or longer.
int parseHex(std::string_view text, std::span<std::uint8_t> out);

/// Reads seconds with up to three decimals after `decimal` ("12,345", "12.3", "7") as
/// milliseconds; nothing for any other text or a time beyond kMaxRecordSeconds.
std::optional<std::int64_t> parseSeconds(std::string_view text, char decimal);

/// The largest time a recording may hold: 100 days of seconds. Times are checked against it
/// before any arithmetic, so no sum or difference of two times can overflow.
inline constexpr std::int64_t kMaxRecordSeconds = 100LL * 24 * 3600;

}  // namespace vortlen
