#pragma once

#include <QDialog>

#include "settings_logic.h"

class QButtonGroup;

namespace vortlen {

/// Dialog 103: the choice of the COM port. Run it modally; OK stores the chosen port in the
/// number it was handed, Cancel and Escape leave the number as it was. Handed the program's
/// port (closed meanwhile), the window shows beside each COM choice its device and what is
/// known of it without opening any port (SharedPort::describe); every choice can be taken.
class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SettingsDialog(unsigned& portNumber, QWidget* parent = nullptr,
                          SharedPort* port = nullptr);

  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  SettingsDialogLogic logic_;
  QButtonGroup* ports_;
};

}  // namespace vortlen
