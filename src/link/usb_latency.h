#pragma once

#include <sys/types.h>

#include <string>

struct serial_struct;

namespace vortlen {

/// The system calls the low-latency request goes through: the real ones by default, a test's
/// own in tests.
struct UsbLatencyCalls {
  /// The target of a symbolic link (readlink(2)).
  ssize_t (*readLink)(const char* path, char* target, size_t size);
  /// TIOCGSERIAL and TIOCSSERIAL; 0 when done.
  int (*getSerial)(int fd, serial_struct* serial);
  int (*setSerial)(int fd, const serial_struct* serial);
  /// The first line of a small file, false when it cannot be read; a line written to one, false
  /// when it cannot.
  bool (*readLine)(const char* path, std::string& line);
  bool (*writeLine)(const char* path, const std::string& line);

  static UsbLatencyCalls real();
};

/// A USB-serial bridge hands what it receives to the PC when its latency timer runs out (16 ms
/// in the common chips), so every echo and every answer waits for it. When `fd` is such a device
/// (a terminal whose device sits on a USB bus), asks its driver for low latency: the serial
/// driver's low-latency flag, which the common bridge drivers turn into a 1 ms timer, and the
/// latency timer itself where the driver offers one in sysfs (ftdi_sio's latency_timer).
/// Returns a line for the wire trace saying what the device got; empty, with nothing asked,
/// when `fd` is no USB device. A driver that refuses leaves the port as it was.
std::string requestUsbLowLatency(int fd, const UsbLatencyCalls& calls = UsbLatencyCalls::real());

}  // namespace vortlen
