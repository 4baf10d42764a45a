#pragma once

#include <string>

#include "shared_port.h"

namespace vortlen {

/// The settings dialog's behaviour: the choice of the COM port. It changes the port number
/// it is handed only on OK; the store sees the number when the program ends.
class SettingsDialogLogic {
 public:
  explicit SettingsDialogLogic(unsigned& portNumber) : portNumber_(portNumber) {}

  /// A port number outside 1..4 becomes 1. Returns the id of the radio button to select.
  int onShow();
  /// Takes the port of the selected radio button; an id that is not a port button changes
  /// nothing.
  void onOk(int checkedRadioId);

 private:
  unsigned& portNumber_;
};

/// The text beside a COM choice: its device's name and what is known of it without opening
/// it, as "ttyUSB0 — доступен", "ttyUSB0 — занят" (from the program's last open) or
/// "нет устройства".
std::string portChoiceText(const SharedPort::Description& port);

}  // namespace vortlen
