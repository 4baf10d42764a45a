#include "win32_serial_port.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cctype>
#include <string>
#include <string_view>

namespace vortlen {
namespace {

HANDLE asHandle(void* handle) {
  return static_cast<HANDLE>(handle);
}

void setLine(HANDLE port) {
  DCB line{};
  line.DCBlength = sizeof line;
  // Handshake, modem lines and flow-control switches stay as the port had them.
  GetCommState(port, &line);
  line.BaudRate = CBR_9600;
  line.ByteSize = 8;
  line.Parity = NOPARITY;
  line.StopBits = ONESTOPBIT;
  line.XonLim = 2048;
  line.XoffLim = 512;
  line.XonChar = 0;
  line.XoffChar = 0;
  // A framing error on the K-Line (a wake-up, a collision) must not halt every later read
  // until someone clears it.
  line.fAbortOnError = FALSE;
  SetCommState(port, &line);

  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = SerialPort::kReadWaitMs;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = SerialPort::kWriteStallMs;
  SetCommTimeouts(port, &timeouts);
}

// Claims the port for this opener with a mutex named after it ("COM1" and "\\.\com1" alike).
// Null when another opener holds the claim.
HANDLE claimPort(const char* deviceName) {
  std::string_view device = deviceName;
  if (device.starts_with("\\\\.\\")) device.remove_prefix(4);
  std::string objectName = "Local\\vortlen3-port-";
  for (const char c : device) {
    objectName += c == '\\' ? '_' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  const HANDLE claim = CreateMutexA(nullptr, FALSE, objectName.c_str());
  if (claim != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(claim);
    return nullptr;
  }
  return claim;
}

// After a failed ReadFile or WriteFile: whether the device has gone. A transfer that some
// drivers end with a time-out status, and a line error that ended the call (on a port set to
// abort on errors), leave the port as it is; any other failure, or a port that cannot even be
// asked for its errors, is a device that was pulled out.
bool deviceHasGone(HANDLE port) {
  switch (GetLastError()) {
    case ERROR_COUNTER_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
    case ERROR_TIMEOUT:
      return false;
    case ERROR_OPERATION_ABORTED: {
      DWORD errors = 0;
      COMSTAT status{};
      return ClearCommError(port, &errors, &status) == FALSE;
    }
    default:
      return true;
  }
}

}  // namespace

bool Win32SerialPort::open(const char* deviceName) {
  close();
  const HANDLE claim = claimPort(deviceName);
  if (claim == nullptr) {
    openError_ = PortError::Busy;
    return false;
  }
  const HANDLE port =
      CreateFileA(deviceName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    CloseHandle(claim);
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        openError_ = PortError::Missing;
        break;
      case ERROR_ACCESS_DENIED:  // what Windows says of a port another program holds
      case ERROR_SHARING_VIOLATION:
        openError_ = PortError::Busy;
        break;
      default:
        openError_ = PortError::NotSerial;
        break;
    }
    return false;
  }
  setLine(port);
  handle_ = port;
  claim_ = claim;
  openError_ = PortError::None;
  return true;
}

bool Win32SerialPort::isOpen() const {
  return handle_ != nullptr;
}

void Win32SerialPort::close() {
  if (handle_ == nullptr) return;
  CloseHandle(asHandle(handle_));
  CloseHandle(asHandle(claim_));
  handle_ = nullptr;
  claim_ = nullptr;
}

bool Win32SerialPort::probe() {
  if (handle_ == nullptr) return false;
  DWORD errors = 0;
  COMSTAT status{};
  // A port whose device was pulled out cannot even be asked for its line errors.
  if (ClearCommError(asHandle(handle_), &errors, &status) == FALSE) close();
  return handle_ != nullptr;
}

void Win32SerialPort::purge() {
  if (handle_ == nullptr) return;
  PurgeComm(asHandle(handle_), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

std::size_t Win32SerialPort::write(const std::uint8_t* data, std::size_t n) {
  if (handle_ == nullptr) return 0;
  // A write the device has not taken within the write time-out ends with what it took.
  DWORD written = 0;
  if (!WriteFile(asHandle(handle_), data, static_cast<DWORD>(n), &written, nullptr) &&
      deviceHasGone(asHandle(handle_))) {
    close();
    return 0;
  }
  return written;
}

std::size_t Win32SerialPort::read(std::uint8_t* buffer, std::size_t n) {
  if (handle_ == nullptr) return 0;
  DWORD received = 0;
  if (!ReadFile(asHandle(handle_), buffer, static_cast<DWORD>(n), &received, nullptr) &&
      deviceHasGone(asHandle(handle_))) {
    close();
    return 0;
  }
  return received;
}

}  // namespace vortlen
