#include "actuator_logic.h"

#include <algorithm>
#include "ecu_services.h"
#include "number_text.h"
#include "release_check.h"
#include "settings_values.h"

namespace vortlen {

namespace {

constexpr std::array<std::uint8_t, 3> kInitialRead = {ecu::kReadValues, ecu::kRelayOutputs,
                                                      ecu::kInjectorCut};
constexpr std::array<std::uint8_t, 3> kMonitorRead = {ecu::kReadValues, ecu::kCoolant, 0x2C};
// All five relays under the tester's control whenever one of them is switched.
constexpr std::uint8_t kAllRelays = 0x1F;

std::string signedText(int value) {
  return integerText(value);
}

std::string unsignedText(unsigned value) {
  return integerText(value);
}

}  // namespace

ActuatorLogic::ActuatorLogic(const Services& services)
    : services_(services), link_(services.port) {
  services.port.addHolder(*this);
}

ActuatorLogic::~ActuatorLogic() {
  services_.port.removeHolder(*this);
}

bool ActuatorLogic::holdsControl() const {
  if (closed_) return false;
  const ReleaseLedger& ledger = services_.port.ledger();
  const bool balance = balanceStep_ != BalanceStep::Monitor;
  return ((relaysHeld_ || balance) && ledger.holds(ecu::kRelayMask)) ||
         (injectorCutBits_ != 0 && ledger.holds(ecu::kInjectorCut)) ||
         (balance && ledger.holds(ecu::kOverrideMask, kBalanceIdleOverride));
}

void ActuatorLogic::controlReleased(Cause cause) {
  if (closed_) return;
  const ReleaseLedger& ledger = services_.port.ledger();
  bool changed = false;
  if ((relaysHeld_ || balanceStep_ != BalanceStep::Monitor) && !ledger.holds(ecu::kRelayMask)) {
    relaysHeld_ = false;
    relayBits_ = 0;
    display_.relayChecked.fill(false);
    changed = true;
  }
  if (injectorCutBits_ != 0 && !ledger.holds(ecu::kInjectorCut)) {
    injectorCutBits_ = 0;
    display_.injectorChecked.fill(true);
    changed = true;
  }
  if (balanceStep_ != BalanceStep::Monitor && !ledger.holds(ecu::kRelayMask) &&
      !ledger.holds(ecu::kOverrideMask, kBalanceIdleOverride)) {
    balanceStep_ = BalanceStep::Monitor;
    display_.warningVisible = false;
    changed = true;
  }
  if (!changed) return;
  display_.notice =
      cause == Cause::LinkReturned ? kActuatorReleasedAfterLoss : kActuatorReleasedByOther;
  services_.view.showChecks();
  services_.view.refresh();
}

void ActuatorLogic::initialise() {
  balanceStep_ = BalanceStep::Monitor;
  injectorCode_ = ecu::kInjectorCut;
  if (link_.transact(kInitialRead) == LinkResult::Ok) {
    const auto& answer = link_.ResponseBuffer();
    relayBits_ = answer[0];
    injectorCutBits_ = answer[1];
    for (std::size_t bit = 0; bit < kRelayCount; ++bit) {
      display_.relayChecked[bit] = (relayBits_ >> bit & 1u) != 0;
    }
    // A check mark means the injector works: its cut bit is clear.
    for (std::size_t bit = 0; bit < kInjectorCount; ++bit) {
      display_.injectorChecked[bit] = (injectorCutBits_ >> bit & 1u) == 0;
    }
    services_.view.showChecks();
  }
  services_.sleeper.sleep(kActuatorPauseMs);
  services_.timer.start(kActuatorPeriodMs);
}

void ActuatorLogic::onShow() {
  const BalanceSettings stored = readBalanceSettings(services_.settings);
  display_.balanceTexts = {unsignedText(stored.targetSpeed), unsignedText(stored.cycles),
                           unsignedText(stored.imbalance)};
  services_.view.showBalanceTexts();
}

void ActuatorLogic::onTimer() {
  if (closed_) return;
  switch (balanceStep_) {
    case BalanceStep::Monitor:
      return monitorTick();
    case BalanceStep::Start:
      return startStep();
    case BalanceStep::Settle:
      return settleStep();
    case BalanceStep::Measure:
      return measureStep();
    case BalanceStep::Apply:
      return applyStep();
    case BalanceStep::Hold:
      return holdStep();
  }
}

void ActuatorLogic::showMonitorAnswer() {
  const auto& answer = link_.ResponseBuffer();
  display_.coolantText = signedText(static_cast<int>(answer[0]) - 40);
  display_.coolantBar = std::clamp(static_cast<int>(answer[0]), kCoolantBarMin, kCoolantBarMax);
  display_.speedText = unsignedText(answer[1] * 10u);
  display_.speedBar = std::clamp(static_cast<int>(answer[1]), kSpeedBarMin, kSpeedBarMax);
}

void ActuatorLogic::setControlsEnabled(bool enabled) {
  display_.controlsEnabled = enabled;
}

void ActuatorLogic::monitorTick() {
  const LinkResult result = link_.transact(kMonitorRead);
  if (result == LinkResult::Ok) {
    showMonitorAnswer();
    setControlsEnabled(true);
  } else {
    setControlsEnabled(false);
    display_.coolantText = "Err " + unsignedText(linkCode(result));
    display_.speedText.clear();
    display_.coolantBar = kCoolantBarMin;
    display_.speedBar = kSpeedBarMin;
  }
  services_.view.refresh();
}

void ActuatorLogic::onRelayClicked(std::size_t relay, bool checked) {
  if (closed_ || relay >= kRelayCount) return;
  services_.timer.stop();
  services_.sleeper.sleep(kActuatorPauseMs);
  display_.relayChecked[relay] = checked;
  const auto bit = static_cast<std::uint8_t>(1u << relay);
  relayBits_ = static_cast<std::uint8_t>(checked ? relayBits_ | bit : relayBits_ & ~bit);
  const std::array<std::uint8_t, 5> write = {ecu::kWriteValues, ecu::kRelayMask, kAllRelays,
                                             ecu::kRelayOutputs, relayBits_};
  display_.notice.clear();
  if (link_.transact(write) != LinkResult::PortNotOpen) relaysHeld_ = true;
  reportAndResume();
}

void ActuatorLogic::onInjectorClicked(std::size_t injector, bool checked) {
  if (closed_ || injector >= kInjectorCount) return;
  services_.timer.stop();
  services_.sleeper.sleep(kActuatorPauseMs);
  display_.injectorChecked[injector] = checked;
  const auto bit = static_cast<std::uint8_t>(1u << injector);
  injectorCutBits_ =
      static_cast<std::uint8_t>(checked ? injectorCutBits_ & ~bit : injectorCutBits_ | bit);
  const std::array<std::uint8_t, 5> write = {ecu::kWriteValues, injectorCode_, injectorCutBits_,
                                             ecu::kInjectorCut, injectorCutBits_};
  display_.notice.clear();
  link_.transact(write);
  reportAndResume();
}

void ActuatorLogic::reportAndResume() {
  const LinkResult result = link_.lastResult();
  if (result != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(result)), kActuatorBoxCaption,
                               MessageIcon::Stop);
  } else if (link_.ResponseBuffer()[0] != ecu::kCompletionDone) {
    services_.notifier.message(kEcuRefusedText, kActuatorBoxCaption, MessageIcon::Exclamation);
  }
  if (!closed_) services_.timer.start(kActuatorPeriodMs);
}

void ActuatorLogic::setBalanceText(std::size_t combo, std::string text) {
  if (combo < kBalanceComboCount) display_.balanceTexts[combo] = std::move(text);
}

void ActuatorLogic::onClose() {
  if (closed_) return;
  closed_ = true;
  services_.timer.stop();
  writeBalanceSettings(services_.settings, {leadingNumber(display_.balanceTexts[kTargetCombo]),
                                            leadingNumber(display_.balanceTexts[kCyclesCombo]),
                                            leadingNumber(display_.balanceTexts[kImbalanceCombo])});
  // Whatever was switched or overridden goes back to the ECU; the mechanic hears of it only
  // when the ECU does not confirm.
  releaseOrWarn(link_, ecu::releaseRequest.data(), ecu::releaseRequest.size(),
                services_.notifier, kActuatorBoxCaption);
}

}  // namespace vortlen
