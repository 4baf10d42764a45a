#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "adapter_model.h"

namespace vortlen::sim {

/// A USB-serial bridge between the line and the PC: the bytes it receives from the line wait in
/// its buffer and go to the PC together, when its latency timer runs out (every `latency` on a
/// clock that starts at 0) or at once when a full packet's worth of bytes waits. The order of
/// the bytes never changes; only when the PC sees them does. Keeps no clock of its own.
class UsbBridge {
 public:
  /// Bytes of one full packet: a 64-byte USB packet less the two status bytes.
  static constexpr std::size_t kPacketBytes = 62;

  /// `latency` must be above zero.
  explicit UsbBridge(SimTime latency);

  SimTime latency() const { return latency_; }

  /// A byte reaches the bridge from the line at `at`; `at` never goes back.
  void receive(std::uint8_t byte, SimTime at);
  /// Appends to `out` every byte that has gone to the PC by `now`; returns their count. Every
  /// byte that came by `now` must have been received first.
  std::size_t release(SimTime now, std::vector<std::uint8_t>& out);
  /// When the next waiting byte goes to the PC; empty when none waits.
  std::optional<SimTime> nextRelease() const;

 private:
  struct Waiting {
    std::uint8_t byte;
    SimTime release;
  };

  SimTime latency_;
  std::deque<Waiting> waiting_;
  // The burst the next byte joins: its tick, and how many bytes it has.
  SimTime burstTick_ = SimTime::min();
  std::size_t burstSize_ = 0;
};

}  // namespace vortlen::sim
