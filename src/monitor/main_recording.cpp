#include "main_recording.h"

#include <array>
#include <string>

namespace vortlen {

namespace {

std::array<RecordLayout, kSetCount> makeLayouts() {
  std::array<RecordLayout, kSetCount> layouts;
  for (int set = 1; set <= kSetCount; ++set) {
    RecordLayout& layout = layouts[static_cast<std::size_t>(set - 1)];
    layout.window = RecordWindow::Main;
    layout.set = set;
    layout.answerLength = parameterSet(set).answerLength;
    layout.columns.push_back("Время (с)");
    for (const ParameterDef& def : parameterSet(set).slots) {
      if (def.text.kind == TextRuleKind::Nibbles) {
        // The window shows "high:low"; each half is a column of its own.
        layout.columns.push_back(std::string(def.caption) + " (старшие 4 бита)");
        layout.columns.push_back(std::string(def.caption) + " (младшие 4 бита)");
      } else {
        layout.columns.push_back(def.caption);
      }
    }
    for (const char* flag : kModeFlagTexts) layout.columns.push_back(flag);
    for (int cylinder = 1; cylinder <= 4; ++cylinder) {
      layout.columns.push_back("Цил " + std::to_string(cylinder));
    }
    layout.columns.push_back("Ответ ЭБУ (hex)");
  }
  return layouts;
}

const std::array<RecordLayout, kSetCount>& layouts() {
  static const std::array<RecordLayout, kSetCount> built = makeLayouts();
  return built;
}

}  // namespace

const RecordLayout& mainRecordLayout(int set) {
  return layouts()[static_cast<std::size_t>(set - 1)];
}

std::span<const RecordLayout> mainRecordLayouts() {
  return layouts();
}

void MainRecordFeed::onSetAnswer(const LiveDisplay& display, std::span<const std::uint8_t> answer) {
  if (!recorder_.active() ||
      !recorder_.beginRow(mainRecordLayout(display.activeSet), display.texts[0])) {
    return;
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    recorder_.addValue(display.texts[kHeaderFields + slot]);
  }
  for (int bit = 0; bit < 16; ++bit) recorder_.addFlag((display.modeFlags >> bit) & 1u);
  for (const std::uint8_t cylinder : display.cylinderFlags) recorder_.addFlag(cylinder != 0);
  recorder_.endRow(answer);
}

}  // namespace vortlen
