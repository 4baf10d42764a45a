#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "ecu_model.h"

namespace vortlen::sim {

/// Time on the simulated line, from an origin the user of the model chooses.
using SimTime = std::chrono::nanoseconds;

/// How the adapter and the ECU behind it misbehave. The default is a sound line.
struct AdapterOptions {
  /// false: the adapter has no power; nothing is echoed and nothing reaches the ECU.
  bool echo = true;
  /// Position within each frame (0 = its first byte) whose echo comes back inverted.
  std::optional<std::size_t> corruptEchoAt;
  /// The ECU hears the frame but never answers.
  bool silentEcu = false;
  /// Answers carry a checksum one too high.
  bool badChecksum = false;
  /// Answers are padded with zero bytes to a frame of more than 515 raw bytes.
  bool overlongAnswer = false;
  /// From the end of a request frame to the first byte of its answer.
  std::chrono::milliseconds answerDelay{0};
  /// Bytes take their 9600-baud wire time (10 bits, about 1.04 ms each); otherwise none.
  bool pace = false;
};

/// The K-Line adapter and the ECU's framing. The PC's bytes go in with the time they were
/// written; the bytes the PC receives (echo, then answer frames) come out each with the time at
/// which it becomes visible. Works on simulated time and on real time alike; keeps no clock of
/// its own. The ECU is advanced to the time of each complete request before it answers. A new
/// request cuts off whatever of an earlier answer has not been sent yet, as the ECU drops an
/// answer when the tester has moved on.
class AdapterModel {
 public:
  static constexpr SimTime kByteTime{1'041'667};  // 10 bits at 9600 baud
  static constexpr std::size_t kOverlongDataLength = 520;
  static constexpr std::size_t kMaxRequestFrame = 512;  // longer garbage is dropped
  /// A pause this long between two bytes makes the ECU start a new frame.
  static constexpr SimTime kFrameGap = std::chrono::milliseconds(100);

  /// Called for every frame the ECU receives: its decoded bytes without the checksum, and
  /// whether the checksum was right.
  using RequestObserver =
      std::function<void(std::span<const std::uint8_t> request, bool checksumOk)>;

  explicit AdapterModel(EcuModel& ecu, AdapterOptions options = {});

  const AdapterOptions& options() const { return options_; }
  void setOptions(const AdapterOptions& options) { options_ = options; }
  void setRequestObserver(RequestObserver observer) { observer_ = std::move(observer); }
  /// Called for every answer the ECU sends: its decoded bytes without the checksum.
  using AnswerObserver = std::function<void(std::span<const std::uint8_t> answer)>;
  void setAnswerObserver(AnswerObserver observer) { answerObserver_ = std::move(observer); }

  EcuModel& ecu() { return ecu_; }

  /// The PC writes `data` starting at `now`. Returns the time when the last byte has left the
  /// PC (`now` itself without pacing).
  SimTime write(std::span<const std::uint8_t> data, SimTime now);

  /// Moves up to `out.size()` bytes that are visible at `now` into `out`; returns their count.
  std::size_t read(std::span<std::uint8_t> out, SimTime now);

  /// When the pending byte at `index` (0 = the next one) becomes visible; empty if there is
  /// no such byte.
  std::optional<SimTime> visibleAt(std::size_t index) const;
  std::size_t pendingCount() const { return output_.size(); }

  /// Drops every byte not yet read (a purge, or a new open).
  void discard();

 private:
  struct Pending {
    SimTime at;
    std::uint8_t byte;
    bool answer;  // from the ECU, not the adapter's echo
  };

  void queue(std::uint8_t byte, SimTime at, bool answer);
  void frameComplete(SimTime at);
  std::vector<std::uint8_t> answerFrame(const Bytes& answer) const;

  EcuModel& ecu_;
  AdapterOptions options_;
  RequestObserver observer_;
  AnswerObserver answerObserver_;
  std::deque<Pending> output_;
  std::vector<std::uint8_t> incoming_;  // raw bytes of the request frame being received
  bool dropping_ = false;               // an over-long frame is skipped up to its terminator
  std::size_t framePosition_ = 0;
  SimTime lastByteAt_{};
  // The echo and the ECU's answers each keep their own order and pace.
  SimTime lastEchoAt_ = SimTime::min();
  SimTime lastAnswerAt_ = SimTime::min();
  std::optional<SimTime> ecuTime_;
};

}  // namespace vortlen::sim
