#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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

/// A recording file as read back: the window and set it was made in, and its answers. Rows
/// whose answer has another length than the set's (the ECU sent a short or long answer with a
/// good checksum) stay in the file and are left out here, counted in `skipped`.
struct Recording {
  std::string path;
  RecordWindow window = RecordWindow::Main;
  int set = 1;
  std::vector<RecordedAnswer> answers;
  std::size_t skipped = 0;
};

/// The largest recording read: 64 MB. Half an hour of recording is 1 MB in the graph view and
/// 2.5 MB in the main window (53 and 125 bytes a row, 11 rows a second), so this is at least 13
/// hours, and its answers take at most about 25 MB of memory.
inline constexpr std::uint64_t kMaxRecordingBytes = 64ull << 20;
/// The longest line read: a header is about 1.3 KB (sets 1 and 4: 1210 and 1311 bytes), a row
/// under 200 bytes.
inline constexpr std::size_t kMaxRecordLineBytes = 4096;

/// Reads a recording from the text of a file (name: the file's name for the messages) whose
/// header is one of `layouts`. Both the spreadsheet form and the form of 3.0.0 are read; a
/// leading byte-order mark is passed over. A text this program did not write, or one damaged beyond
/// its last row, gives nothing and a message that says why in `error`. A last line cut short (the
/// program was killed while writing it) is left out. `cancel`, when set, stops the reading (nothing
/// is returned).
std::optional<Recording> parseRecording(std::string_view text, const std::string& name,
                                        std::span<const RecordLayout> layouts, std::string& error,
                                        const std::atomic<bool>* cancel = nullptr);

/// Reads the recording at `path`. Only a regular file is read, and it is opened so that no
/// open blocks (a FIFO or a device is refused, not waited for); a file over kMaxRecordingBytes
/// is refused with a message naming the bound.
std::optional<Recording> readRecording(const std::string& path,
                                       std::span<const RecordLayout> layouts, std::string& error,
                                       const std::atomic<bool>* cancel = nullptr);

/// Writes `bytes` to `path` through a file beside it that takes its name only when every byte
/// is on the disk: a failure leaves no empty or partial file, nor changes one that was there.
/// False, with the reason in Russian in `reason`, when it fails.
bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason);

}  // namespace vortlen
