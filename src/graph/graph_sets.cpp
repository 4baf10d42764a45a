#include "graph_sets.h"

#include "graph_ids.h"
#include "parameter_catalogue.h"

namespace vortlen {

namespace {

constexpr TraceDef volts(const char* caption, std::uint8_t offset) {
  return {caption, offset, false, TraceText::Volts, 255};
}

}  // namespace

const std::array<GraphSet, kGraphSetCount> kGraphSets = {{
    {ids::kCmdGraphSet1,
     {0x61, 0x23, 0x29, 0x26, 0x51, 0x52, 0x53, 0x54},
     8,
     {{
         {"Абс.Давл.", 0, true, TraceText::Unsigned, 2000},
         {"Обороты", 2, false, TraceText::TimesForty, 140},
         {"УОЗ", 3, false, TraceText::HalfDegrees, 120},
         {"Дет Ц1", 4, false, TraceText::HalfDegrees, 25},
         {"Дет Ц2", 5, false, TraceText::HalfDegrees, 25},
         {"Дет Ц3", 6, false, TraceText::HalfDegrees, 25},
         {"Дет Ц4", 7, false, TraceText::HalfDegrees, 25},
     }}},
    {ids::kCmdGraphSet2,
     {0x61, 0x20, 0x29, 0x26, 0x34, 0x39, 0x3F, 0x21},
     10,
     {{
         {"Дроссель", 0, false, TraceText::Unsigned, 100},
         {"Обороты", 1, false, TraceText::TimesForty, 140},
         {"УОЗ", 2, false, TraceText::HalfDegrees, 120},
         {"GBC", 3, true, TraceText::Gbc, 10500},
         {"Сост.Смеси", 5, false, TraceText::Mixture, 255},
         {"Длит.Впрск", 6, true, TraceText::Injection, 6000},
         {"Расх.Возд", 8, true, TraceText::AirFlow, 6500},
     }}},
    {ids::kCmdGraphSet3,
     {0x61, 0x64, 0x67, 0x61, 0x62, 0x69, 0x4D, 0x65},
     7,
     {{
         volts("Дросс V", 0),
         volts("АбсДавл V", 1),
         volts("Дат ОЖ V", 2),
         volts("ДатВозд V", 3),
         volts("Детон V", 4),
         volts("Лям 1 V", 5),
         volts("Рез CO V", 6),
     }}},
    {ids::kCmdGraphSet4,
     {0x61, 0x64, 0x61, 0x62, 0x69, 0x4D, 0x4E, 0x65},
     7,
     {{
         volts("Дросс V", 0),
         volts("Дат ОЖ V", 1),
         volts("ДатВозд V", 2),
         volts("Детон V", 3),
         volts("Лям 1 V", 4),
         volts("Лям 2 V", 5),
         volts("Рез CO V", 6),
     }}},
}};

const GraphSet& graphSet(int number) {
  const int index = number >= 1 && number <= kGraphSetCount ? number - 1 : 0;
  return kGraphSets[static_cast<std::size_t>(index)];
}

std::uint32_t traceRaw(const TraceDef& trace, std::span<const std::uint8_t> answer) {
  const std::size_t width = trace.word ? 2 : 1;
  if (trace.offset + width > answer.size()) return 0;
  std::uint32_t raw = answer[trace.offset];
  if (trace.word) raw |= static_cast<std::uint32_t>(answer[trace.offset + 1]) << 8;
  return raw;
}

std::string traceText(TraceText rule, std::uint32_t raw) {
  const double value = static_cast<double>(raw);
  switch (rule) {
    case TraceText::Unsigned:
      return integerText(raw);
    case TraceText::TimesForty:
      return integerText(raw * 40u);
    case TraceText::HalfDegrees:
      return trimZeros(fixedText(value * 0.5, 1));
    case TraceText::Gbc:
      return fixedText(value * 0.1667, 0);
    case TraceText::Mixture:
      return trimZeros(fixedText(value * 0.00390625 + 0.5, 3));
    case TraceText::Injection:
      return trimZeros(fixedText(value * 0.008, 2));
    case TraceText::AirFlow:
      return trimZeros(fixedText(value * 0.1, 1));
    case TraceText::Volts:
      return trimZeros(fixedText(value * 0.01960784, 2));
  }
  return {};
}

}  // namespace vortlen
