#pragma once

#include <string>

#include "serial_port.h"

namespace vortlen {

/// A serial device through termios: exclusive (flock and TIOCEXCL), raw 9600 8N1, with
/// VMIN = VTIME = 0 and the 10 ms read wait done with poll().
class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort() = default;
  ~PosixSerialPort() override { close(); }
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool open(const char* deviceName) override;
  PortError openError() const override { return openError_; }
  bool isOpen() const override { return fd_ >= 0; }
  void close() override;
  bool probe() override;
  void purge() override;
  std::size_t write(const std::uint8_t* data, std::size_t n) override;
  std::size_t read(std::uint8_t* buffer, std::size_t n) override;
  /// On a USB-serial bridge, what its driver gave when asked for low latency.
  std::string_view openNote() const override { return openNote_; }

 private:
  // A device that has gone (unplugged, its pseudo-terminal closed): the port closes itself, so
  // that the link reports it as not open and the program can open it again when it is back.
  void lose();

  int fd_ = -1;
  PortError openError_ = PortError::Missing;
  std::string openNote_;
};

}  // namespace vortlen
