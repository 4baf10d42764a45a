#pragma once

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "release_ledger.h"
#include "serial_port.h"
#include "wire_trace.h"

namespace vortlen {

/// How a window that holds something under control in the ECU learns that it no longer has it.
class ControlHolder {
 public:
  /// Why a holder's control went away.
  enum class Cause {
    LinkReturned,  ///< the link came back after a loss and the program released everything
    OtherWindow,   ///< another window's release took it
  };
  virtual ~ControlHolder() = default;
  /// A confirmed release took something away in the ECU. The holder looks at the ledger for
  /// what it holds; whatever is gone it shows as released. Called from inside a transaction,
  /// perhaps another window's: it must not send anything.
  virtual void controlReleased(Cause cause) = 0;
  /// Whether this holder has something under control now.
  virtual bool holdsControl() const = 0;
};

/// Where the serial devices of a Linux system are listed; tests point them at a folder of
/// their own.
struct DeviceRoots {
  std::string serialById = "/dev/serial/by-id";
  std::string sysClassTty = "/sys/class/tty";
  std::string dev = "/dev";
};

/// The program's one open COM port. Every EcuLink sends through it. The application shell
/// opens and closes it; a device that vanishes while open (an adapter pulled out) is opened
/// again by the transactions, about once a second, as soon as it is back. It also keeps what
/// the program holds under control in the ECU (the release owed) and the wire trace.
class SharedPort {
 public:
  static constexpr unsigned kFirstPort = 1;
  static constexpr unsigned kLastPort = 4;
  static constexpr std::chrono::milliseconds kReopenInterval{1000};

  /// `device` is the concrete port implementation; it must outlive this object.
  explicit SharedPort(SerialPort& device) : device_(device) {}

  /// Opens COM n (1..4). Returns true when the port is open afterwards; lastError() says why
  /// not. Numbers outside 1..4 open nothing.
  bool openPort(unsigned n);
  /// Closes the port on purpose: it is not reopened until the next openPort.
  void close();
  bool isOpen() const { return device_.isOpen(); }

  /// The device of the last openPort and why it did not open (None if it did).
  const std::string& devicePath() const { return path_; }
  PortError lastError() const { return lastError_; }

  /// Before each transaction: a port whose device vanished is opened again, at most once per
  /// kReopenInterval and without a word. A port that never opened, or was closed on purpose,
  /// is left alone.
  void reopenIfLost();
  /// The port was open and its device has gone since.
  bool lost() const { return inUse_ && !device_.isOpen(); }
  /// Asks the device, without sending, whether it is still there (see SerialPort::probe); a
  /// device that has gone closes the port, which then counts as lost.
  void probe();
  /// For the exit: a port whose device has gone, even one that still looks open, is opened
  /// again at once if the device is back, without waiting for the next second.
  void reopenNow();

  /// How COM n stands, learnt without opening anything (an open toggles a port's modem lines):
  /// its device, and what its entry tells (missing, not a device, no access). That it is busy
  /// is known only from a real open: `opened` says the state is the result of the program's
  /// last open of this device, `inUse` that the port is open now. Otherwise None means "there,
  /// and the user may open it".
  struct Description {
    std::string device;
    PortError state = PortError::Missing;
    bool opened = false;
    bool inUse = false;
  };
  Description describe(unsigned n);

  /// Windows that hold something register while they exist (at most kMaxHolders).
  static constexpr std::size_t kMaxHolders = 8;
  void addHolder(ControlHolder& holder);
  void removeHolder(ControlHolder& holder);
  /// Whether an open window holds something now.
  bool anyHolderHolding() const;
  /// A confirmed release took something away: every registered holder is told.
  void notifyReleased(ControlHolder::Cause cause);

  SerialPort& device() { return device_; }
  ReleaseLedger& ledger() { return ledger_; }
  const ReleaseLedger& ledger() const { return ledger_; }
  /// The wire trace, or nullptr when none is kept.
  WireTrace* trace() { return trace_; }
  void setTrace(WireTrace* trace) { trace_ = trace; }
  /// The program is ending by a signal: no one can answer a message box any more.
  void setUnattended() { unattended_ = true; }
  bool unattended() const { return unattended_; }
  /// Linux only: where the devices are looked for when VORTLEN3_COMn is not set.
  void setDeviceRoots(DeviceRoots roots) { roots_ = std::move(roots); }
  const DeviceRoots& deviceRoots() const { return roots_; }

 private:
  void reopen();

  SerialPort& device_;
  ReleaseLedger ledger_;
  std::array<ControlHolder*, kMaxHolders> holders_{};
  WireTrace* trace_ = nullptr;
  DeviceRoots roots_;
  std::string path_;
  PortError lastError_ = PortError::Missing;
  bool inUse_ = false;
  bool lossNoticed_ = false;
  bool unattended_ = false;
  std::chrono::steady_clock::time_point lastAttempt_{};
};

/// "COM1".."COM4": the port's name as the mechanic knows it.
std::string comPortName(unsigned n);

/// The device that COM n names on this system. On Windows the name itself. On Linux the path
/// in VORTLEN3_COMn if set and not empty; the devices of serialDevices(roots) that no variable
/// names fill the other numbers in order. The empty text when none is left for n.
std::string comDevicePath(unsigned n, const DeviceRoots& roots = {});

/// What a device's entry tells without opening it: Missing, NotSerial (not a character
/// device), NoAccess (the user may not read and write it), else None.
PortError deviceEntryState(const std::string& device);

/// Linux: the serial devices present, in the order COM1, COM2, ... take them: USB adapters
/// first (serialById, sorted by name; then USB ports that have no entry there), then on-board
/// ports that are real UARTs (a ttyS* whose kernel type is not "unknown").
std::vector<std::string> serialDevices(const DeviceRoots& roots = {});

/// The reason a device could not be used, in words for the mechanic, with its remedy.
std::string portErrorText(PortError error);
/// The second line of the start-up's messages: "<device>: <reason with its remedy>".
std::string portProblemLine(unsigned n, const std::string& device, PortError error);

}  // namespace vortlen
