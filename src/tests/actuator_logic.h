#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ecu_link.h"
#include "settings_store.h"
#include "shared_port.h"
#include "window_services.h"

namespace vortlen {

/// What the actuator window's timer does on its next tick: the monitor read, or a step of the
/// balance test.
enum class BalanceStep { Monitor = 0, Start = 1, Settle = 2, Measure = 3, Apply = 4, Hold = 5 };

inline constexpr std::size_t kRelayCount = 5;     // bits 0..4 of code 0x09
inline constexpr std::size_t kInjectorCount = 4;  // bits 0..3 of code 0x0D
inline constexpr std::size_t kBalanceComboCount = 3;

// The balance test's three choices, in the order of their combo boxes 1037, 1040 and 1041.
enum BalanceCombo : std::size_t { kTargetCombo = 0, kCyclesCombo = 1, kImbalanceCombo = 2 };

// The bars show the raw bytes: coolant 115..138 (75..98 °C), speed 0..255 (0..2550 rpm).
inline constexpr int kCoolantBarMin = 115;
inline constexpr int kCoolantBarMax = 138;
inline constexpr int kSpeedBarMin = 0;
inline constexpr int kSpeedBarMax = 255;

inline constexpr int kActuatorPeriodMs = 90;
inline constexpr int kActuatorPauseMs = 100;
/// Settle ticks before the measurement.
inline constexpr std::uint32_t kSettleTicks = 7;
/// The idle air regulator position the balance test may ask for, in steps.
inline constexpr std::uint8_t kLowestIdlePosition = 40;
inline constexpr std::uint8_t kHighestIdlePosition = 255;
/// Bit 5 of the second override mask puts the idle air regulator under the tester's control.
inline constexpr std::uint8_t kBalanceIdleOverride = 0x20;

inline const std::string kActuatorBoxCaption = "Вортлен3";
inline const std::string kEcuRefusedText = "ЭБУ не может выполнить операцию ";
inline const std::string kSpeedZeroText = "Тест прерван обороты=0 ";
inline const std::string kActuatorReleasedAfterLoss = "Связь восстанавливалась: управление снято";
inline const std::string kActuatorReleasedByOther = "Управление снято другим окном";
inline const std::string kStopRefusedText = "ЭБУ не выполнил «Стоп»: может оставаться включено: ";
inline const std::string kStopLostText =
    "«Стоп» не подтверждён: программа повторит его, когда связь восстановится";

/// Everything the actuator window shows, as plain data. Texts are UTF-8.
struct ActuatorDisplay {
  std::string coolantText;          // field 1030
  std::string speedText;            // field 1031
  int coolantBar = kCoolantBarMin;  // within the bar's range
  int speedBar = kSpeedBarMin;
  std::array<bool, kRelayCount> relayChecked{};
  std::array<bool, kInjectorCount> injectorChecked{};  // checked: the injector works
  /// The nine boxes, "Старт", "Стоп" and the three combo boxes.
  bool controlsEnabled = true;
  bool warningVisible = false;  // picture 1042
  /// The edit texts of combo boxes 1037, 1040 and 1041.
  std::array<std::string, kBalanceComboCount> balanceTexts;
  /// The window's line: what went away without the window asking, or a refused «Стоп».
  std::string notice;
};

/// Where the actuator window's state goes: a view that draws it when told.
class ActuatorView {
 public:
  virtual ~ActuatorView() = default;
  /// The value fields, the bars, the enabled state or the warning picture changed.
  virtual void refresh() = 0;
  /// The check marks of the nine boxes were set from the ECU.
  virtual void showChecks() = 0;
  /// The combo boxes' edit texts were set from the settings.
  virtual void showBalanceTexts() = 0;
  /// A message box shown once the current tick has returned: timer 1 goes on ticking while it
  /// is up.
  virtual void messageAfterTick(const std::string& text, const std::string& caption,
                                MessageIcon icon) = 0;
};

/// v = q × target ÷ (s × 10) within 40..255: the idle air regulator position that should turn
/// the measured speed (s, in 10 rpm) into the target speed, from the measured position q. The
/// product is taken in 64 bits, and a negative target gives the lowest position: a mistyped
/// sign must not open the regulator fully. `s` must not be 0.
std::uint8_t balancedIdlePosition(std::uint8_t position, std::uint8_t speedByte,
                                  std::int32_t target);

/// The actuator window (dialog 120) and its balance test: the relay and injector switches, the
/// coolant and speed monitor, and the balance steps, all on the window's timer 1 and through
/// the window's own link. The view forwards clicks and edits and draws `display()`.
class ActuatorLogic final : public ControlHolder {
 public:
  struct Services {
    SharedPort& port;
    WindowTimer& timer;
    Notifier& notifier;
    Sleeper& sleeper;
    SettingsStore& settings;
    ActuatorView& view;
  };

  explicit ActuatorLogic(const Services& services);
  ~ActuatorLogic() override;
  ActuatorLogic(const ActuatorLogic&) = delete;
  ActuatorLogic& operator=(const ActuatorLogic&) = delete;

  /// Window creation: the initial read of relays and injectors sets the check marks, then
  /// after 100 ms the 90 ms timer starts.
  void initialise();
  /// Each showing of the window: the three stored choices into the combo boxes.
  void onShow();
  /// Timer 1: the monitor read, or the current balance step.
  void onTimer();

  /// A box has toggled its own check mark to `checked`; `relay` 0..4, `injector` 0..3.
  void onRelayClicked(std::size_t relay, bool checked);
  void onInjectorClicked(std::size_t injector, bool checked);

  /// "Старт": the next tick begins the balance test (over again, if one runs).
  void onStartClicked();
  /// "Стоп": both override masks released, back to the monitor. Accepted in every step.
  void onStopClicked();
  /// The user edited a combo box's text.
  void setBalanceText(std::size_t combo, std::string text);

  /// The window goes: timer stopped, the three choices stored, then the release request,
  /// whatever the link does. Runs once; later calls do nothing.
  void onClose();

  const ActuatorDisplay& display() const { return display_; }
  BalanceStep balanceStep() const { return balanceStep_; }
  std::uint8_t relayBits() const { return relayBits_; }
  std::uint8_t injectorCutBits() const { return injectorCutBits_; }
  std::uint8_t idleTarget() const { return idleTarget_; }
  EcuLink& link() { return link_; }

  /// Relays, cut injectors or the balance test's control went away without the window (the
  /// link came back after a loss, or another window released everything): their boxes go back
  /// to released, the balance test stops, and the window's line says why.
  void controlReleased(Cause cause) override;
  bool holdsControl() const override;

 private:
  void monitorTick();
  void startStep();
  void settleStep();
  void measureStep();
  void applyStep();
  void holdStep();
  void stopProcedure();
  void reportAndResume();
  void showMonitorAnswer();
  void setControlsEnabled(bool enabled);

  Services services_;
  EcuLink link_;
  ActuatorDisplay display_;
  BalanceStep balanceStep_ = BalanceStep::Monitor;
  std::uint32_t stepCounter_ = 0;
  std::uint8_t idleTarget_ = 0;
  std::uint8_t injectorCode_ = 0;
  std::uint8_t injectorCutBits_ = 0;
  std::uint8_t relayBits_ = 0;
  bool relaysHeld_ = false;  // a relay write of this window went on the line
  bool closed_ = false;
};

}  // namespace vortlen
