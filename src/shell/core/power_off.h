#pragma once

namespace vortlen {

/// Asks the system to switch the computer off: a plain shutdown, no restart, running
/// programs are not forced to close. Failures are not reported; the program has ended by then.
class PowerOff {
 public:
  virtual ~PowerOff() = default;
  virtual void powerOff() = 0;
};

}  // namespace vortlen
