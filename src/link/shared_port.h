#pragma once

#include <string>

#include "serial_port.h"

namespace vortlen {

/// The program's one open COM port. Every EcuLink sends through it; only the application
/// shell opens and closes it.
class SharedPort {
 public:
  static constexpr unsigned kFirstPort = 1;
  static constexpr unsigned kLastPort = 4;

  /// `device` is the concrete port implementation; it must outlive this object.
  explicit SharedPort(SerialPort& device) : device_(device) {}

  /// Opens COM n (1..4). Returns true when the port is open afterwards. Numbers outside
  /// 1..4 open nothing.
  bool openPort(unsigned n);
  void close() { device_.close(); }
  bool isOpen() const { return device_.isOpen(); }

  SerialPort& device() { return device_; }

 private:
  SerialPort& device_;
};

/// "COM1".."COM4": the port's name as the mechanic knows it.
std::string comPortName(unsigned n);

/// The device that COM n names on this system. On Windows the name itself; on Linux the path
/// in VORTLEN3_COMn if set and not empty, else /dev/ttyS<n-1>.
std::string comDevicePath(unsigned n);

}  // namespace vortlen
