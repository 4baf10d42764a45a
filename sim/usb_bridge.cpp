#include "usb_bridge.h"

namespace vortlen::sim {

UsbBridge::UsbBridge(SimTime latency)
    : latency_(latency > SimTime::zero() ? latency : SimTime(1)) {}

void UsbBridge::receive(std::uint8_t byte, SimTime at) {
  // The timer's first tick after the byte came; a byte that comes on a tick waits for the next.
  const SimTime tick = (at / latency_ + 1) * latency_;
  if (tick != burstTick_ || burstSize_ == kPacketBytes) {
    burstTick_ = tick;
    burstSize_ = 0;
  }
  waiting_.push_back({byte, tick});
  if (++burstSize_ == kPacketBytes) {
    // A full packet goes at once, every byte of it with the one that filled it.
    for (auto it = waiting_.end() - static_cast<std::ptrdiff_t>(kPacketBytes); it != waiting_.end();
         ++it) {
      it->release = at;
    }
  }
}

std::size_t UsbBridge::release(SimTime now, std::vector<std::uint8_t>& out) {
  std::size_t count = 0;
  while (!waiting_.empty() && waiting_.front().release <= now) {
    out.push_back(waiting_.front().byte);
    waiting_.pop_front();
    ++count;
  }
  return count;
}

std::optional<SimTime> UsbBridge::nextRelease() const {
  if (waiting_.empty()) return std::nullopt;
  return waiting_.front().release;
}

}  // namespace vortlen::sim
