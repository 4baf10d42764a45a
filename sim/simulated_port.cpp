#include "simulated_port.h"

namespace vortlen::sim {

SimulatedPort::SimulatedPort(AdapterModel& adapter) : adapter_(adapter) {}

void SimulatedPort::setDeviceExists(const std::string& name, bool exists) {
  if (exists) {
    devices_.insert(name);
  } else {
    devices_.erase(name);
  }
}

void SimulatedPort::setDeviceBusy(const std::string& name, bool busy) {
  if (busy) {
    busy_.insert(name);
  } else {
    busy_.erase(name);
  }
}

bool SimulatedPort::open(const char* deviceName) {
  close();
  if (deviceName == nullptr || !devices_.contains(deviceName)) {
    openError_ = PortError::Missing;
    return false;
  }
  if (busy_.contains(deviceName)) {
    openError_ = PortError::Busy;
    return false;
  }
  openError_ = PortError::None;
  open_ = true;
  openedName_ = deviceName;
  adapter_.discard();  // a fresh open starts with empty buffers
  return true;
}

void SimulatedPort::purge() {
  ++purges_;
  if (open_) adapter_.discard();
}

std::size_t SimulatedPort::write(const std::uint8_t* data, std::size_t n) {
  ++writes_;
  if (!open_ || n == 0) return 0;
  written_.insert(written_.end(), data, data + n);
  now_ = adapter_.write({data, n}, now_);
  return n;
}

std::size_t SimulatedPort::read(std::uint8_t* buffer, std::size_t n) {
  ++reads_;
  if (!open_ || n == 0) return 0;
  const std::span<std::uint8_t> out(buffer, n);
  if (const std::size_t waiting = adapter_.read(out, now_); waiting > 0) return waiting;

  const SimTime deadline = now_ + kReadWait;
  const std::optional<SimTime> nth = adapter_.visibleAt(n - 1);
  now_ = nth && *nth < deadline ? *nth : deadline;
  return adapter_.read(out, now_);
}

}  // namespace vortlen::sim
