#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "record_format.h"

namespace vortlen {

/// One recorded answer: when it came, in ms since the recording began, and its bytes.
struct RecordedAnswer {
  std::int64_t ms = 0;
  std::array<std::uint8_t, 32> bytes{};
  std::uint8_t length = 0;
  std::span<const std::uint8_t> answer() const { return {bytes.data(), length}; }
};

/// A recording file as read back: the window and set it was made in, and its answers.
struct Recording {
  std::string path;
  RecordWindow window = RecordWindow::Main;
  int set = 1;
  std::vector<RecordedAnswer> answers;
};

/// Reads a recording. A file this program did not write, or one damaged beyond its last row,
/// gives nothing and a message that says why in `error`. A last line cut short (the program
/// was killed while writing it) is left out.
std::optional<Recording> readRecording(const std::string& path, std::string& error);

}  // namespace vortlen
