#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "actuator_logic.h"
#include "qt_window_services.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vortlen {

/// Dialog 120, "Тесты исполнительных механизмов": relays, injectors, the coolant and speed
/// monitor and the balance test. Run it modally; its behaviour is ActuatorLogic's. The initial
/// read happens when the dialog is made; the release request when it closes.
class ActuatorDialog final : public QDialog, private ActuatorView {
 public:
  ActuatorDialog(SharedPort& port, SettingsStore& settings, QWidget* parent = nullptr,
                 WindowServiceOverrides overrides = {});
  ~ActuatorDialog() override;

  ActuatorLogic& logic() { return *logic_; }

  /// Ends the dialog once: the close procedure runs before the window goes.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // ActuatorView
  void refresh() override;
  void showChecks() override;
  void showBalanceTexts() override;
  void messageAfterTick(const std::string& text, const std::string& caption,
                        MessageIcon icon) override;

  void buildControls();
  void buildBalanceGroup();

  std::unique_ptr<DialogServices> services_;
  std::unique_ptr<ActuatorLogic> logic_;

  QLabel* coolantField_ = nullptr;
  QLabel* speedField_ = nullptr;
  QProgressBar* coolantBar_ = nullptr;
  QProgressBar* speedBar_ = nullptr;
  std::array<QCheckBox*, kRelayCount> relayBoxes_{};
  std::array<QCheckBox*, kInjectorCount> injectorBoxes_{};
  std::array<QComboBox*, kBalanceComboCount> combos_{};
  QPushButton* startButton_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QLabel* warning_ = nullptr;
  QLabel* notice_ = nullptr;  // below the template's area, shown only with something to say
  QSize baseSize_;
  bool closed_ = false;
};

}  // namespace vortlen
