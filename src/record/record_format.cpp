#include "record_format.h"

#include <charconv>
#include <cstring>

#include "graph_sets.h"
#include "parameter_catalogue.h"

namespace vortlen {

namespace {

constexpr const char* kTimeColumn = "Время (с)";
constexpr const char* kAnswerColumn = "Ответ ЭБУ (hex)";

// The graph view's captions carry no units; the recording adds those the main window's
// captions give for the same codes.
struct GraphUnit {
  const char* caption;
  const char* unit;
};
constexpr GraphUnit kGraphUnits[] = {
    {"Абс.Давл.", " (м.бар)"}, {"Обороты", " (обор/мин)"}, {"УОЗ", " (град)"},
    {"Дроссель", " (%)"},      {"GBC", " (мг/такт)"},      {"Сост.Смеси", " (воздух топливо)"},
    {"Длит.Впрск", " (мс)"},   {"Расх.Возд", " (кг/час)"},
};

std::string graphColumn(const char* caption) {
  std::string column = caption;
  for (const GraphUnit& unit : kGraphUnits) {
    if (std::strcmp(unit.caption, caption) == 0) column += unit.unit;
  }
  return column;
}

}  // namespace

std::string recordHeader(RecordWindow window, int set) {
  std::string header = kTimeColumn;
  auto column = [&header](std::string_view text) {
    header += ',';
    appendField(header, text);
  };
  if (window == RecordWindow::Graph) {
    for (const TraceDef& trace : graphSet(set).traces) column(graphColumn(trace.caption));
  } else {
    for (const ParameterDef& def : parameterSet(set).slots) {
      if (def.text.kind == TextRuleKind::Nibbles) {
        // The window shows "high:low"; each half is a column of its own.
        column(std::string(def.caption) + " (старшие 4 бита)");
        column(std::string(def.caption) + " (младшие 4 бита)");
      } else {
        column(def.caption);
      }
    }
    for (const char* flag : kModeFlagTexts) column(flag);
    for (int cylinder = 1; cylinder <= 4; ++cylinder) column("Цил " + std::to_string(cylinder));
  }
  column(kAnswerColumn);
  return header;
}

std::size_t recordColumnCount(RecordWindow window, int set) {
  std::vector<std::string> fields;
  splitCsvLine(recordHeader(window, set), fields);
  return fields.size();
}

std::size_t recordAnswerLength(RecordWindow window, int set) {
  return window == RecordWindow::Graph ? graphSet(set).answerLength
                                       : parameterSet(set).answerLength;
}

void appendSeconds(std::string& row, std::int64_t ms) {
  if (ms < 0) ms = 0;
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, ms / 1000).ptr;
  row.append(text, end);
  const int fraction = static_cast<int>(ms % 1000);
  row += '.';
  row += static_cast<char>('0' + fraction / 100);
  row += static_cast<char>('0' + fraction / 10 % 10);
  row += static_cast<char>('0' + fraction % 10);
}

void appendShown(std::string& row, std::string_view shown) {
  for (const char c : shown) {
    if (c == ',') {
      row += '.';
    } else if (c == ':') {
      row += ',';
    } else {
      row += c;
    }
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

void appendField(std::string& row, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
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

bool splitCsvLine(std::string_view line, std::vector<std::string>& fields) {
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
    } else if (c == ',') {
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

}  // namespace vortlen
