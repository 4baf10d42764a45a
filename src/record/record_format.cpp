#include "record_format.h"

#include <charconv>

namespace vortlen {

std::string recordHeader(const RecordLayout& layout, RecordDialect dialect) {
  std::string header;
  for (const std::string& column : layout.columns) {
    if (!header.empty()) header += dialect.separator;
    appendField(header, column, dialect.separator);
  }
  return header;
}

void appendSeconds(std::string& row, std::int64_t ms) {
  if (ms < 0) ms = 0;
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, ms / 1000).ptr;
  row += '"';
  row.append(text, end);
  const int fraction = static_cast<int>(ms % 1000);
  row += kSpreadsheetDialect.decimal;
  row += static_cast<char>('0' + fraction / 100);
  row += static_cast<char>('0' + fraction / 10 % 10);
  row += static_cast<char>('0' + fraction % 10);
  row += '"';
}

void appendShown(std::string& row, std::string_view shown) {
  // Each part between the colons is a number of its own; one with a decimal comma is quoted.
  while (true) {
    const std::size_t colon = shown.find(':');
    const std::string_view part = shown.substr(0, colon);
    const bool fraction = part.find_first_of(".,") != std::string_view::npos;
    if (fraction) row += '"';
    for (const char c : part) row += (c == '.' || c == ',') ? kSpreadsheetDialect.decimal : c;
    if (fraction) row += '"';
    if (colon == std::string_view::npos) return;
    row += kSpreadsheetDialect.separator;
    shown.remove_prefix(colon + 1);
  }
}

void appendHex(std::string& row, std::span<const std::uint8_t> bytes) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) row += ' ';
    row += kDigits[bytes[i] >> 4];
    row += kDigits[bytes[i] & 0x0F];
  }
}

void appendField(std::string& row, std::string_view text, char separator) {
  // A comma is quoted in either form: a spreadsheet may split at both.
  const char special[] = {separator, ',', '"', '\r', '\n', '\0'};
  if (text.find_first_of(special) == std::string_view::npos) {
    row += text;
    return;
  }
  row += '"';
  for (const char c : text) {
    if (c == '"') row += '"';
    row += c;
  }
  row += '"';
}

bool splitCsvLine(std::string_view line, std::vector<std::string>& fields, char separator) {
  fields.clear();
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        field += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      fields.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
  return !quoted;
}

int parseHex(std::string_view text, std::span<std::uint8_t> out) {
  std::size_t count = 0;
  std::size_t i = 0;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || count == out.size()) return -1;
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return -1;
    out[count++] = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
    if (i < text.size() && text[i] != ' ') return -1;
  }
  return static_cast<int>(count);
}

std::optional<std::int64_t> parseSeconds(std::string_view text, char decimal) {
  const std::size_t point = text.find(decimal);
  const std::string_view whole = text.substr(0, point);
  std::int64_t seconds = 0;
  const auto [end, code] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
  if (code != std::errc() || end != whole.data() + whole.size() || whole.empty() || seconds < 0 ||
      seconds > kMaxRecordSeconds) {
    return std::nullopt;
  }
  std::int64_t ms = seconds * 1000;
  if (point != std::string_view::npos) {
    const std::string_view fraction = text.substr(point + 1);
    if (fraction.empty() || fraction.size() > 3) return std::nullopt;
    int scale = 100;
    for (const char c : fraction) {
      if (c < '0' || c > '9') return std::nullopt;
      ms += (c - '0') * scale;
      scale /= 10;
    }
  }
  return ms;
}

}  // namespace vortlen
