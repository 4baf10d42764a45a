#pragma once

#include "power_off.h"

namespace vortlen {

/// Switches the computer off through systemd-logind on the system bus
/// (org.freedesktop.login1.Manager.PowerOff, not interactive). The request is sent and not
/// waited for: whether logind agrees is not the program's concern any more.
class LogindPowerOff final : public PowerOff {
 public:
  void powerOff() override;
};

}  // namespace vortlen
