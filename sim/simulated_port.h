#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "serial_port.h"

namespace vortlen::sim {

/// A serial port in the same process that leads to an AdapterModel, on a virtual clock that
/// starts at 0 and moves only when a paced write or a waiting read lets time pass. Nothing
/// sleeps; the same calls give the same bytes at the same virtual times.
class SimulatedPort final : public SerialPort {
 public:
  static constexpr SimTime kReadWait = std::chrono::milliseconds(10);

  /// `adapter` must outlive the port. Only "COM1" exists at first.
  explicit SimulatedPort(AdapterModel& adapter);

  /// Makes a device name openable (or not), and busy (taken by another program) or free.
  void setDeviceExists(const std::string& name, bool exists);
  void setDeviceBusy(const std::string& name, bool busy);

  bool open(const char* deviceName) override;
  bool isOpen() const override { return open_; }
  PortError openError() const override { return openError_; }
  void close() override { open_ = false; }
  void purge() override;
  /// Takes all n bytes (0 when closed). With pacing the clock moves on by their wire time.
  std::size_t write(const std::uint8_t* data, std::size_t n) override;
  /// Bytes already visible come back without the clock moving. Otherwise the clock moves to
  /// the moment the n-th byte becomes visible or 10 ms on, whichever is first.
  std::size_t read(std::uint8_t* buffer, std::size_t n) override;

  SimTime now() const { return now_; }
  /// Lets virtual time pass outside the port (a window's timer period, say).
  void wait(SimTime duration) { now_ += duration; }

  int readCount() const { return reads_; }
  int writeCount() const { return writes_; }
  int purgeCount() const { return purges_; }
  /// Every byte the port has taken, across all writes.
  const std::vector<std::uint8_t>& written() const { return written_; }
  std::string openedName() const { return openedName_; }

 private:
  AdapterModel& adapter_;
  std::set<std::string> devices_{"COM1"};
  std::set<std::string> busy_;
  bool open_ = false;
  PortError openError_ = PortError::Missing;
  std::string openedName_;
  SimTime now_{};
  int reads_ = 0;
  int writes_ = 0;
  int purges_ = 0;
  std::vector<std::uint8_t> written_;
};

}  // namespace vortlen::sim
