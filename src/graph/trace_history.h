#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graph_sets.h"

namespace vortlen {

/// The raw values of the seven traces, newest at index 0. The arrays are allocated once.
class TraceHistory {
 public:
  explicit TraceHistory(std::size_t length) {
    for (auto& trace : traces_) trace.assign(length, 0);
  }

  std::size_t length() const { return traces_[0].size(); }

  /// Makes room for a new sample: every entry moves one place older; entry 0 keeps its value
  /// until the new sample overwrites it.
  void shift() {
    for (auto& trace : traces_) {
      if (trace.size() > 1) {
        std::copy_backward(trace.begin(), trace.end() - 1, trace.end());
      }
    }
  }

  void setNewest(std::size_t trace, std::uint32_t raw) {
    if (length() > 0) traces_[trace][0] = raw;
  }
  std::uint32_t at(std::size_t trace, std::size_t index) const { return traces_[trace][index]; }

 private:
  std::array<std::vector<std::uint32_t>, kTraceCount> traces_;
};

}  // namespace vortlen
