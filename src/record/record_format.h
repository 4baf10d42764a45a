#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vortlen {

/// Which window a recording comes from.
enum class RecordWindow { Main, Graph };

/// The first line of a recording of `set` in `window`: the time, the window's captions with
/// their units, the flags and cylinders where the window shows them, the answer in hex.
std::string recordHeader(RecordWindow window, int set);

/// The number of columns of that header.
std::size_t recordColumnCount(RecordWindow window, int set);

/// The bytes of a good answer of `set` in `window`.
std::size_t recordAnswerLength(RecordWindow window, int set);

// The pieces of a row. Each appends to `row`, whose capacity the caller reserves once; none
// allocates while that capacity suffices.

/// Milliseconds as seconds with three decimals: 12345 -> "12.345".
void appendSeconds(std::string& row, std::int64_t ms);
/// A value text as the window shows it, as a number: a decimal comma (a locale's) becomes a
/// point, and the "3:10" of a mode-point index becomes the two columns "3,10".
void appendShown(std::string& row, std::string_view shown);
/// Bytes as "1A 63 00".
void appendHex(std::string& row, std::span<const std::uint8_t> bytes);
/// A text field, in double quotes when it holds a comma, a quote or a line break.
void appendField(std::string& row, std::string_view text);

/// Splits one line of comma-separated fields, quotes undone. False when a quote is left open.
bool splitCsvLine(std::string_view line, std::vector<std::string>& fields);

/// Reads "1A 63 00" into `out`; the byte count, or -1 when the text is not hex bytes or longer.
int parseHex(std::string_view text, std::span<std::uint8_t> out);

}  // namespace vortlen
