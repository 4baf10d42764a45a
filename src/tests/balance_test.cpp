// The balance test: steps 1..5 of the actuator window's timer procedure.
#include <algorithm>

#include "actuator_logic.h"
#include "ecu_services.h"
#include "number_text.h"
#include "settings_values.h"

namespace vortlen {

namespace {

constexpr std::uint8_t kEngineSpeed = 0x2C;
constexpr std::uint8_t kIdleValvePosition = 0x5C;
// Only the cooling fan's relay is on while the test runs.
constexpr std::uint8_t kFanOnly = 0x02;

constexpr std::array<std::uint8_t, 7> kStartWrite = {
    ecu::kWriteValues, ecu::kRelayMask,    0x1F, ecu::kRelayOutputs,
    kFanOnly,          ecu::kOverrideMask, 0x00};
constexpr std::array<std::uint8_t, 3> kSettleRead = {ecu::kReadValues, ecu::kCoolant, kEngineSpeed};
constexpr std::array<std::uint8_t, 3> kMeasureRead = {ecu::kReadValues, kEngineSpeed,
                                                      kIdleValvePosition};
constexpr std::array<std::uint8_t, 3> kHoldRead = {ecu::kReadValues, ecu::kIgnitionAdvance,
                                                   kIdleValvePosition};
constexpr std::array<std::uint8_t, 5> kStopWrite = {ecu::kWriteValues, ecu::kRelayMask, 0x00,
                                                    ecu::kOverrideMask, 0x00};

std::string decimal(long value) {
  return integerText(value);
}

}  // namespace

std::uint8_t balancedIdlePosition(std::uint8_t position, std::uint8_t speedByte,
                                  std::int32_t target) {
  // 64 bits: no target the field can hold overflows the product.
  const std::int64_t product = static_cast<std::int64_t>(position) * target;
  const std::int64_t scaled = product / (static_cast<std::int64_t>(speedByte) * 10);
  return static_cast<std::uint8_t>(
      std::clamp<std::int64_t>(scaled, kLowestIdlePosition, kHighestIdlePosition));
}

void ActuatorLogic::onStartClicked() {
  if (closed_) return;
  balanceStep_ = BalanceStep::Start;
}

void ActuatorLogic::onStopClicked() {
  if (closed_) return;
  stopProcedure();
  services_.view.refresh();
}

void ActuatorLogic::stopProcedure() {
  // «Стоп» goes once, and no box interrupts the test: what the line lost is owed and goes
  // again when the link answers, and a refusal is said in the window's line.
  const bool held = services_.port.ledger().held();
  // Stopped before it goes, so that its own confirmation is not taken for another's release.
  relaysHeld_ = false;
  balanceStep_ = BalanceStep::Monitor;
  const LinkResult result = link_.transact(kStopWrite);
  display_.warningVisible = false;
  display_.notice.clear();
  if (!held) return;
  if (result == LinkResult::Ok) {
    if (link_.answerLength() == 0 || link_.ResponseBuffer()[0] != ecu::kCompletionDone)
      display_.notice = kStopRefusedText + services_.port.ledger().heldItems();
  } else {
    services_.port.ledger().owe(kStopWrite.data(), kStopWrite.size());
    display_.notice = kStopLostText;
  }
}

void ActuatorLogic::startStep() {
  relayBits_ = kFanOnly;
  display_.notice.clear();
  if (link_.transact(kStartWrite) == LinkResult::Ok) {
    balanceStep_ = BalanceStep::Settle;
    stepCounter_ = 0;
  } else {
    balanceStep_ = BalanceStep::Monitor;
  }
  display_.warningVisible = false;
  services_.view.refresh();
}

void ActuatorLogic::settleStep() {
  if (link_.transact(kSettleRead) == LinkResult::Ok) {
    showMonitorAnswer();
    services_.view.refresh();
  }
  // The seventh tick moves on, whatever the reads gave.
  if (stepCounter_ > kSettleTicks - 2) balanceStep_ = BalanceStep::Measure;
  ++stepCounter_;
}

void ActuatorLogic::measureStep() {
  if (link_.transact(kMeasureRead) != LinkResult::Ok) return;
  const auto& answer = link_.ResponseBuffer();
  const std::uint8_t speed = answer[0];
  const std::uint8_t position = answer[1];
  if (speed == 0) {
    stopProcedure();
    services_.view.refresh();
    // The monitor tick runs on while the mechanic reads this.
    services_.view.messageAfterTick(kSpeedZeroText, kActuatorBoxCaption, MessageIcon::Exclamation);
    return;
  }
  display_.warningVisible = true;
  // The leading integer is at most nine digits with its sign: it fits a signed 32-bit number.
  const auto target = static_cast<std::int32_t>(leadingNumber(display_.balanceTexts[kTargetCombo]));
  idleTarget_ = balancedIdlePosition(position, speed, target);
  balanceStep_ = BalanceStep::Apply;
  services_.view.refresh();
}

void ActuatorLogic::applyStep() {
  // No tick may run while a message about this write is up.
  services_.timer.stop();
  const std::array<std::uint8_t, 5> write = {ecu::kWriteValues, ecu::kOverrideMask,
                                             kBalanceIdleOverride, ecu::kIdleValveTarget,
                                             idleTarget_};
  if (link_.transact(write) == LinkResult::Ok) balanceStep_ = BalanceStep::Hold;
  reportAndResume();
}

void ActuatorLogic::holdStep() {
  if (link_.transact(kHoldRead) != LinkResult::Ok) return;
  const auto& answer = link_.ResponseBuffer();
  // The ECU sends the advance as a signed byte of half degrees, as the main window reads it.
  const int halfDegrees = static_cast<std::int8_t>(answer[0]);
  display_.coolantText = decimal(halfDegrees / 2);
  display_.speedText = decimal(answer[1]);
  services_.view.refresh();
}

}  // namespace vortlen
