#include "graph_recording.h"

#include <cstring>

namespace vortlen {

namespace {

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

std::array<RecordLayout, kGraphSetCount> makeLayouts() {
  std::array<RecordLayout, kGraphSetCount> layouts;
  for (int set = 1; set <= kGraphSetCount; ++set) {
    RecordLayout& layout = layouts[static_cast<std::size_t>(set - 1)];
    layout.window = RecordWindow::Graph;
    layout.set = set;
    layout.answerLength = graphSet(set).answerLength;
    layout.columns.push_back("Время (с)");
    for (const TraceDef& trace : graphSet(set).traces) {
      layout.columns.push_back(graphColumn(trace.caption));
    }
    layout.columns.push_back("Ответ ЭБУ (hex)");
  }
  return layouts;
}

const std::array<RecordLayout, kGraphSetCount>& layouts() {
  static const std::array<RecordLayout, kGraphSetCount> built = makeLayouts();
  return built;
}

}  // namespace

const RecordLayout& graphRecordLayout(int set) {
  return layouts()[static_cast<std::size_t>(set - 1)];
}

std::span<const RecordLayout> graphRecordLayouts() {
  return layouts();
}

void GraphRecordFeed::onGraphAnswer(int set, const std::array<std::string, kTraceCount>& values,
                                    std::span<const std::uint8_t> answer) {
  // The graph view's answers carry no ECU type: the files keep the one the recording has.
  if (!recorder_.active() || !recorder_.beginRow(graphRecordLayout(set), {})) return;
  for (const std::string& value : values) recorder_.addValue(value);
  recorder_.endRow(answer);
}

}  // namespace vortlen
