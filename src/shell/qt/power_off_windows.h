#pragma once

#include "power_off.h"

namespace vortlen {

/// Switches the computer off with ExitWindowsEx (plain shutdown, nothing forced), after
/// enabling the shutdown privilege on the NT family. Plain Win32: no toolkit involved.
class WindowsPowerOff final : public PowerOff {
 public:
  void powerOff() override;
};

}  // namespace vortlen
