#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vortlen {

/// Why a device could not be opened as a port.
enum class PortError {
  None,       ///< it opened
  Missing,    ///< no such device (or no device is configured)
  NoAccess,   ///< the user may not open it
  Busy,       ///< another program holds it
  NotSerial,  ///< it exists but is no serial port (a directory, a file, /dev/null)
};

/// One serial device as the link needs it: 9600 baud 8N1, raw bytes, short bounded reads.
/// Implementations never throw; failures show as "nothing taken" or "nothing arrived".
class SerialPort {
 public:
  /// The longest a read waits when nothing is waiting.
  static constexpr int kReadWaitMs = 10;
  /// A write that the device has not taken whole within this time gives up. A frame takes well
  /// under 0.1 s at 9600 baud; a device that takes nothing for this long is stuck (a handshake
  /// line nobody drives, say): better a failed transaction than a frozen window.
  static constexpr int kWriteStallMs = 2000;

  virtual ~SerialPort() = default;

  /// Opens the named device for exclusive use and sets the line up. An open device is closed
  /// first. Returns false (and stays closed) when the device is missing, busy or not a port;
  /// openError() then says which.
  virtual bool open(const char* deviceName) = 0;
  /// Why the last open() failed; None after one that succeeded. A port that cannot tell says
  /// Missing.
  virtual PortError openError() const { return isOpen() ? PortError::None : PortError::Missing; }
  virtual bool isOpen() const = 0;
  virtual void close() = 0;
  /// What the last open() has to say about the device for the wire trace (how fast a USB bridge
  /// hands bytes over, say); empty when nothing.
  virtual std::string_view openNote() const { return {}; }

  /// Asks, without sending or taking a byte, whether the open device is still there: one that
  /// has gone (pulled out while nothing was sent) closes the port. Returns isOpen() afterwards.
  virtual bool probe() { return isOpen(); }

  /// Aborts pending operations and discards whatever waits in either direction.
  virtual void purge() = 0;

  /// Writes all n bytes, waiting for the device to take them (a device that is stuck for
  /// seconds is given up on). Returns the bytes taken: 0 when no port is open or the device
  /// has gone. A device that has gone (hang-up, I/O error) closes the port, here and in read().
  virtual std::size_t write(const std::uint8_t* data, std::size_t n) = 0;

  /// Bytes already waiting come back at once (at most n). Otherwise waits until n bytes have
  /// arrived or 10 ms have passed since the call, and returns what arrived, possibly 0.
  virtual std::size_t read(std::uint8_t* buffer, std::size_t n) = 0;
};

}  // namespace vortlen
