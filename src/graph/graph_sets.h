#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vortlen {

inline constexpr std::size_t kTraceCount = 7;
inline constexpr int kGraphSetCount = 4;

/// How a trace's value is written beside its band.
enum class TraceText {
  Unsigned,     // "%u" of raw
  TimesForty,   // "%u" of raw × 40
  HalfDegrees,  // "%.1f" of raw × 0.5, trimmed
  Gbc,          // "%.f" of raw × 0.1667, never trimmed
  Mixture,      // "%.3f" of raw × 0.00390625 + 0.5, trimmed
  Injection,    // "%.2f" of raw × 0.008, trimmed
  AirFlow,      // "%.1f" of raw × 0.1, trimmed
  Volts,        // "%.2f" of raw × 0.01960784, trimmed
};

struct TraceDef {
  const char* caption;
  std::uint8_t offset;  // first byte of the value in the answer
  bool word;            // two bytes, low byte first
  TraceText text;
  std::uint32_t divisor;  // the raw value drawn at the top of the band
};

/// One of the graph view's four sets: a read of seven codes and how each trace shows.
struct GraphSet {
  int command;  // its menu item
  std::array<std::uint8_t, 8> request;
  std::size_t answerLength;
  std::array<TraceDef, kTraceCount> traces;
};

/// Sets 1..4 at index 0..3.
extern const std::array<GraphSet, kGraphSetCount> kGraphSets;

const GraphSet& graphSet(int number);

/// The raw value of a trace taken out of the answer. The graph view reads the codes unsigned,
/// the ignition advance included.
std::uint32_t traceRaw(const TraceDef& trace, std::span<const std::uint8_t> answer);

/// The text shown beside a trace for a raw value.
std::string traceText(TraceText rule, std::uint32_t raw);

}  // namespace vortlen
