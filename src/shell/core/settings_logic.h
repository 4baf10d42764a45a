#pragma once

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

}  // namespace vortlen
