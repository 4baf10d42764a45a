#pragma once

#include "serial_port.h"

namespace vortlen {

/// A COM port through the Win32 comm API. The time-outs (read interval MAXDWORD, read total
/// 10 ms, write total kWriteStallMs) give the read and write bounds SerialPort promises.
/// Exclusive: Windows' serial driver admits one opener, and a named object per port keeps out
/// a second opener where the driver does not (Wine, which maps COM ports to Unix devices).
class Win32SerialPort final : public SerialPort {
 public:
  Win32SerialPort() = default;
  ~Win32SerialPort() override { close(); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  bool open(const char* deviceName) override;
  PortError openError() const override { return openError_; }
  bool isOpen() const override;
  void close() override;
  bool probe() override;
  void purge() override;
  std::size_t write(const std::uint8_t* data, std::size_t n) override;
  std::size_t read(std::uint8_t* buffer, std::size_t n) override;

 private:
  void* handle_ = nullptr;  // a HANDLE; null when closed
  void* claim_ = nullptr;   // the port's named mutex while open
  PortError openError_ = PortError::Missing;
};

}  // namespace vortlen
