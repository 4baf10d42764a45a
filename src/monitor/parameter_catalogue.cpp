#include "parameter_catalogue.h"

#include <cstdint>
#include <string>
#include <system_error>
#include <utility>

#include "resource_ids.h"

namespace vortlen {
namespace {

constexpr bool kSigned = true;
constexpr bool kUnsigned = false;
constexpr bool kTrim = true;
constexpr bool kKeep = false;

constexpr TextRule offsetText(int k) {
  return {TextRuleKind::Offset, k, 0.0, 0.0, nullptr};
}
constexpr TextRule signedText() {
  return {TextRuleKind::Signed, 0, 0.0, 0.0, nullptr};
}
constexpr TextRule unsignedText() {
  return {TextRuleKind::Unsigned, 0, 0.0, 0.0, nullptr};
}
constexpr TextRule multipleText(int n) {
  return {TextRuleKind::Multiple, n, 0.0, 0.0, nullptr};
}
constexpr TextRule scaledText(double k, const char* format) {
  return {TextRuleKind::Scaled, 0, k, 0.0, format};
}
constexpr TextRule scaledPlusText(double k, double d, const char* format) {
  return {TextRuleKind::ScaledPlus, 0, k, d, format};
}
constexpr TextRule nibblesText() {
  return {TextRuleKind::Nibbles, 0, 0.0, 0.0, nullptr};
}

constexpr BarRule rawBar() {
  return {BarRuleKind::Raw, 0, 0.0};
}
constexpr BarRule biasedBar(int b) {
  return {BarRuleKind::Biased, b, 0.0};
}
constexpr BarRule multipleBar(int n) {
  return {BarRuleKind::Multiple, n, 0.0};
}
constexpr BarRule scaledTruncatedBar(double k) {
  return {BarRuleKind::ScaledTruncated, 0, k};
}
constexpr BarRule rawIfBelowBar(int limit) {
  return {BarRuleKind::RawIfBelow, limit, 0.0};
}

// Every sensor voltage of set 3 is the ADC code on a 5 V scale.
constexpr ParameterDef sensorVoltage(std::uint8_t code, std::size_t offset, const char* caption) {
  return {code,  offset,   1, kUnsigned, caption, scaledText(0.01960784, "%.3f"),
          kTrim, rawBar(), 0, 255};
}

}  // namespace

constexpr std::array<ParameterSet, kSetCount> ParameterCatalogue = {{
    {1,
     ids::kCmdSet1,
     {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A, 0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34},
     16,
     {{
         {0x1A, 6, 1, kUnsigned, "Температура ОЖ (град С)", offsetText(40), kKeep, rawBar(), 115,
          138},
         {0x63, 7, 1, kUnsigned, "Напряжение борт. сети (вольт)", scaledText(0.09093, "%.2f"),
          kTrim, rawBar(), 140, 163},
         {0x29, 8, 1, kUnsigned, "Обороты (обор/мин)", multipleText(40), kKeep, rawBar(), 5, 33},
         {0x26, 9, 1, kSigned, "Угол опережения зажигания (град)", scaledText(0.5, "%.1f"), kTrim,
          rawIfBelowBar(120), 10, 40},
         {0x35, 10, 1, kUnsigned, "Коэффициент барокоррекции (коэф.)", offsetText(128), kKeep,
          rawBar(), 120, 135},
         {0x23, 11, 2, kUnsigned, "Разряжение за дросс. заслонкой (м.бар)", unsignedText(), kKeep,
          rawBar(), 250, 345},
         {0x5C, 13, 1, kUnsigned, "Положение РДВ (шаг)", unsignedText(), kKeep, rawBar(), 0, 255},
         {0x34, 14, 2, kUnsigned, "Цикловое наполнение (мг/такт)", scaledText(0.1667, "%.f"), kKeep,
          rawBar(), 0, 2900},
     }}},
    {2,
     ids::kCmdSet2,
     {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A, 0x1C, 0x20, 0x41, 0x39, 0x3F, 0x21, 0x40},
     17,
     {{
         {0x1A, 6, 1, kUnsigned, "Температура ОЖ (град С)", offsetText(40), kKeep, rawBar(), 115,
          138},
         {0x1C, 7, 1, kUnsigned, "Температура воздуха (град С)", offsetText(40), kKeep, rawBar(),
          60, 99},
         {0x20, 8, 1, kUnsigned, "Положение дросс.заслонки (%)", unsignedText(), kKeep, rawBar(), 0,
          100},
         {0x41, 9, 1, kSigned, "Коррекция СО (смещение)", scaledText(0.00390625, "%.3f"), kTrim,
          biasedBar(127), 95, 160},
         {0x39, 10, 1, kUnsigned, "Состав смеси (воздух топливо)",
          scaledPlusText(0.00390625, 0.5, "%.3f"), kTrim, rawBar(), 95, 160},
         {0x3F, 11, 2, kUnsigned, "Длительность имп. впрыска (мс)", scaledText(0.008, "%.2f"),
          kTrim, rawBar(), 0, 600},
         {0x21, 13, 2, kUnsigned, "Массовый расход воздуха (кг/час)", scaledText(0.1, "%.1f"),
          kTrim, rawBar(), 100, 200},
         {0x40, 15, 2, kUnsigned, "Расход топлива (л/час)", scaledText(0.1, "%.1f"), kTrim,
          rawBar(), 0, 50},
     }}},
    {3,
     ids::kCmdSet3,
     {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x61, 0x67, 0x68, 0x69, 0x62, 0x64, 0x65, 0x66},
     14,
     {{
         sensorVoltage(0x61, 6, "Напряж. датчика ОЖ (вольт)"),
         sensorVoltage(0x67, 7, "Напряж. датчика абс. давления (вольт)"),
         sensorVoltage(0x68, 8, "Код АЦП в канале детонации (вольт)"),
         sensorVoltage(0x69, 9, "Напряж. сигнала детонации (вольт)"),
         sensorVoltage(0x62, 10, "Напряж. датчика темп. воздуха (вольт)"),
         sensorVoltage(0x64, 11, "Напряж. датчика дрос. заслонки (вольт)"),
         sensorVoltage(0x65, 12, "Напряж. потенциометра СО (вольт)"),
         sensorVoltage(0x66, 13, "Напряж.  в канале RDIA (вольт)"),
     }}},
    {4,
     ids::kCmdSet4,
     {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x4D, 0x4E, 0x2D, 0x38, 0x5E, 0x5F, 0x33, 0x3C},
     16,
     {{
         {0x4D, 6, 1, kUnsigned, "Напряжение L-зонда1 (вольт)", scaledText(0.01960784, "%.2f"),
          kTrim, rawBar(), 0, 255},
         {0x4E, 7, 1, kUnsigned, "Напряжение L-зонда2 (вольт)", scaledText(0.01960784, "%.2f"),
          kTrim, rawBar(), 0, 255},
         {0x2D, 8, 1, kSigned, "Рассогл. частоты вращения КВ", signedText(), kKeep, biasedBar(128),
          120, 136},
         {0x38, 9, 1, kUnsigned, "Индекс режимной точки", nibblesText(), kKeep, rawBar(), 0, 96},
         {0x5E, 10, 1, kUnsigned, "Степень продувки адсорбера (%)", unsignedText(), kKeep, rawBar(),
          0, 255},
         {0x5F, 11, 1, kUnsigned, "Степень рецирк. отр. газов (%)", unsignedText(), kKeep, rawBar(),
          0, 255},
         {0x33, 12, 2, kUnsigned, "Ограничение цикл. наполнения", scaledText(0.1667, "%.2f"), kTrim,
          rawBar(), 0, 2048},
         {0x3C, 14, 2, kUnsigned, "Ограничение цикл. подачи топлива", scaledText(0.01109, "%.f"),
          kKeep, rawBar(), 0, 32767},
     }}},
    {5,
     ids::kCmdSet5,
     {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0xB1, 0x5D, 0x9B, 0x17, 0x60, 0x16, 0x18, 0x2E},
     14,
     {{
         {0xB1, 6, 1, kUnsigned, "Загрузка процессора (%)", scaledText(0.4, "%.1f"), kTrim,
          scaledTruncatedBar(0.4), 0, 100},
         {0x5D, 7, 1, kUnsigned, "Корр.сечения РДВ отн. базового (%)", unsignedText(), kKeep,
          rawBar(), 0, 100},
         {0x9B, 8, 1, kUnsigned, "Положение клапана EGR (%)", unsignedText(), kKeep, rawBar(), 0,
          100},
         {0x17, 9, 1, kUnsigned, "Сум. обороты КЛВ за время пуска (об)", unsignedText(), kKeep,
          rawBar(), 0, 255},
         {0x60, 10, 1, kUnsigned, "Скорость автомобиля (км/час)", unsignedText(), kKeep, rawBar(),
          0, 200},
         {0x16, 11, 1, kUnsigned, "Время пуска двигателя (сек)", unsignedText(), kKeep, rawBar(), 0,
          255},
         {0x18, 12, 1, kUnsigned, "Угол начала впрыска (град. пкв)", multipleText(6), kKeep,
          multipleBar(6), 162, 600},
         {0x2E, 13, 1, kUnsigned, "Табличная установка частоты на хх", multipleText(10), kKeep,
          rawBar(), 0, 255},
     }}},
}};

namespace {

// The formats are "%.<digits>f" or "%.f"; the digits after the point are all that matter.
int precisionOf(const char* format) {
  int precision = 0;
  if (format == nullptr) return precision;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') precision = precision * 10 + (*p - '0');
  }
  return precision;
}

std::string fixed(double value, const char* format) {
  return fixedText(value, precisionOf(format));
}

std::string integer(long long value) {
  return integerText(value);
}

std::string slotText(const ParameterDef& slot, unsigned raw, int value) {
  const TextRule& rule = slot.text;
  std::string text;
  switch (rule.kind) {
    case TextRuleKind::Offset:
      text = integer(static_cast<long long>(raw) - rule.n);
      break;
    case TextRuleKind::Signed:
      text = integer(value);
      break;
    case TextRuleKind::Unsigned:
      text = integer(raw);
      break;
    case TextRuleKind::Multiple:
      text = integer(static_cast<long long>(raw) * rule.n);
      break;
    case TextRuleKind::Scaled:
      text = fixed(value * rule.k, rule.format);
      break;
    case TextRuleKind::ScaledPlus:
      text = fixed(value * rule.k + rule.d, rule.format);
      break;
    case TextRuleKind::Nibbles:
      text = integer((raw >> 4) & 0x0F) + ':' + integer(raw & 0x0F);
      break;
  }
  return slot.trim ? trimZeros(std::move(text)) : text;
}

std::optional<int> slotBar(const ParameterDef& slot, unsigned raw, int value) {
  const BarRule& rule = slot.bar;
  switch (rule.kind) {
    case BarRuleKind::Raw:
      return static_cast<int>(raw);
    case BarRuleKind::Biased:
      return value + rule.n;
    case BarRuleKind::Multiple:
      return static_cast<int>(raw) * rule.n;
    case BarRuleKind::ScaledTruncated:
      return static_cast<int>(raw * rule.k);
    case BarRuleKind::RawIfBelow:
      if (raw >= static_cast<unsigned>(rule.n)) return std::nullopt;
      return static_cast<int>(raw);
  }
  return std::nullopt;
}

}  // namespace

const ParameterSet& parameterSet(int number) {
  if (number < 1 || number > kSetCount) number = 1;
  return ParameterCatalogue[static_cast<std::size_t>(number - 1)];
}

SetReading decodeSetAnswer(int number, std::span<const std::uint8_t> answer) {
  const ParameterSet& set = parameterSet(number);
  const auto byteAt = [&answer](std::size_t i) -> unsigned {
    return i < answer.size() ? answer[i] : 0u;
  };

  SetReading reading;
  reading.modeFlags = static_cast<std::uint16_t>(byteAt(0) + 256 * byteAt(1));
  for (std::size_t i = 0; i < reading.cylinderFlags.size(); ++i) {
    reading.cylinderFlags[i] = static_cast<std::uint8_t>(byteAt(2 + i));
  }

  for (std::size_t i = 0; i < kSlotCount; ++i) {
    const ParameterDef& slot = set.slots[i];
    if (slot.offset + slot.width > answer.size()) continue;
    unsigned raw = answer[slot.offset];
    if (slot.width == 2) raw += 256u * answer[slot.offset + 1];
    // The value the text and the biased bar start from: the ECU sends some bytes as -128..127.
    const int value =
        (slot.isSigned && slot.width == 1) ? static_cast<std::int8_t>(raw) : static_cast<int>(raw);
    reading.texts[i] = slotText(slot, raw, value);
    reading.bars[i] = slotBar(slot, raw, value);
  }
  return reading;
}

int clampBar(int position, int min, int max) {
  if (position < min) return min;
  if (position > max) return max;
  return position;
}

}  // namespace vortlen
