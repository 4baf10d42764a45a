#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "number_text.h"

namespace vortlen {

// How a raw value becomes the text of its value field.
enum class TextRuleKind {
  Offset,      // integer raw - n, "%d"
  Signed,      // signed raw, "%d"
  Unsigned,    // raw, "%u"
  Multiple,    // integer raw * n, "%u"
  Scaled,      // raw * k, `format`
  ScaledPlus,  // raw * k + d, `format`
  Nibbles,     // high and low four bits, "%u:%u"
};

struct TextRule {
  TextRuleKind kind = TextRuleKind::Unsigned;
  int n = 0;
  double k = 0.0;
  double d = 0.0;
  const char* format = nullptr;
};

// How a raw value becomes the position of the slot's bar.
enum class BarRuleKind {
  Raw,              // the unsigned raw value
  Biased,           // signed raw + n
  Multiple,         // raw * n
  ScaledTruncated,  // raw * k, truncated toward zero
  RawIfBelow,       // the unsigned raw value; the bar is left alone when raw >= n
};

struct BarRule {
  BarRuleKind kind = BarRuleKind::Raw;
  int n = 0;
  double k = 0.0;
};

/// One live-data parameter as one set shows it.
struct ParameterDef {
  std::uint8_t code = 0;
  std::size_t offset = 0;  // of its value in the set's answer
  std::size_t width = 1;   // 1, or 2 (unsigned, low byte first)
  bool isSigned = false;   // a 1-byte value read as two's complement
  const char* caption = "";
  TextRule text;
  bool trim = false;  // trimZeros after formatting
  BarRule bar;
  std::uint16_t barMin = 0;
  std::uint16_t barMax = 0;
};

inline constexpr std::size_t kSlotCount = 8;
inline constexpr int kSetCount = 5;
inline constexpr std::size_t kStatusBytes = 6;  // ModeFlags (2) and CylinderFlags (4)

using SetRequest = std::array<std::uint8_t, 15>;

struct ParameterSet {
  int number = 0;   // 1..5
  int command = 0;  // the menu command that makes it active
  SetRequest request{};
  std::size_t answerLength = 0;
  std::array<ParameterDef, kSlotCount> slots{};
};

/// The five sets, index = number - 1.
extern const std::array<ParameterSet, kSetCount> ParameterCatalogue;

/// Set n (1..5); any other number gives set 1.
const ParameterSet& parameterSet(int number);

/// What one set answer shows.
struct SetReading {
  std::array<std::string, kSlotCount> texts;
  /// The position for each bar before the bar clamps it to its range; empty when the bar is
  /// to be left as it is.
  std::array<std::optional<int>, kSlotCount> bars;
  std::uint16_t modeFlags = 0;
  std::array<std::uint8_t, 4> cylinderFlags{};
};

/// Decodes the answer to set `number`'s request. `answer` holds only the bytes the ECU sent:
/// a slot whose bytes lie beyond it gets an empty text and leaves its bar alone, and status
/// bytes beyond it count as 0.
SetReading decodeSetAnswer(int number, std::span<const std::uint8_t> answer);

/// The position a bar of range min..max shows for `position`: the nearer end when outside.
int clampBar(int position, int min, int max);

}  // namespace vortlen
