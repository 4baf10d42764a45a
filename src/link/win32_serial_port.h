#pragma once

#include "serial_port.h"

namespace vortlen {

/// A COM port through the Win32 comm API. The time-outs (interval MAXDWORD, total 10 ms,
/// no write time-out) give the read behaviour SerialPort promises.
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
  void purge() override;
  std::size_t write(const std::uint8_t* data, std::size_t n) override;
  std::size_t read(std::uint8_t* buffer, std::size_t n) override;

 private:
  void* handle_ = nullptr;  // a HANDLE; null when closed
  PortError openError_ = PortError::Missing;
};

}  // namespace vortlen
