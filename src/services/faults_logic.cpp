#include "faults_logic.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "ecu_services.h"
#include "fault_table.h"

namespace vortlen {

namespace {

constexpr std::uint8_t kManyTimes = 0x20;
constexpr std::uint8_t kOnce = 0x40;
constexpr std::uint8_t kPresentNow = 0x80;

constexpr std::array<std::uint8_t, 1> kReadFaults = {ecu::kReadFaults};
constexpr std::array<std::uint8_t, 3> kClearOnce = {ecu::kWriteValues, ecu::kCommand,
                                                    ecu::kCommandClearFaults};
constexpr std::array<std::uint8_t, 7> kClearThrice = {
    ecu::kWriteValues,        ecu::kCommand, ecu::kCommandClearFaults, ecu::kCommand,
    ecu::kCommandClearFaults, ecu::kCommand, ecu::kCommandClearFaults};

constexpr const char* kCaption = "Вортлен";

}  // namespace

std::vector<FaultRow> decodeFaults(const EcuLink::Response& answer, std::size_t answerLength) {
  std::vector<FaultRow> rows;
  if (answerLength == 0) return rows;
  // A count larger than the entries that follow it would list stale bytes of earlier answers.
  const std::size_t carried = (std::min(answerLength, answer.size()) - 1) / 2;
  const std::size_t count = std::min<std::size_t>(answer[0], carried);
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t code = answer[1 + 2 * i];
    const std::uint8_t flags = answer[2 + 2 * i];
    rows.push_back({std::to_string(code), (flags & kManyTimes) ? "XXX" : "",
                    (flags & kOnce) ? "XX" : "", (flags & kPresentNow) ? "X" : "",
                    faultText(code)});
  }
  return rows;
}

void FaultsLogic::onOpen() {
  services_.timer.start(kFirstPeriodMs);
}

void FaultsLogic::onClose() {
  services_.timer.stop();
}

void FaultsLogic::pollFaults() {
  // Re-armed before the exchange, so that reads come a second apart whatever it takes.
  services_.timer.stop();
  services_.timer.start(kPeriodMs);
  const LinkResult result = link_.transact(kReadFaults);
  if (result != LinkResult::Ok) {
    services_.timer.stop();
    services_.notifier.message(std::string(linkMessage(result)), kCaption, MessageIcon::Stop);
    services_.view.closeWindow();
    return;
  }
  if (link_.answerLength() == 0 || link_.ResponseBuffer()[0] == 0) return;
  rows_ = decodeFaults(link_.ResponseBuffer(), link_.answerLength());
  services_.view.showRows();
}

void FaultsLogic::reportRefusal() {
  const std::uint8_t code = link_.ResponseBuffer()[0];
  if (link_.answerLength() == 0 || code == ecu::kCompletionDone) return;
  services_.notifier.message(
      "ЭБУ не может выполнить операцию, номер ошибки " + std::to_string(code), kCaption,
      MessageIcon::Exclamation);
}

void FaultsLogic::clearFaults() {
  rows_.clear();
  services_.view.showRows();
  services_.timer.stop();

  const LinkResult first = link_.transact(kClearOnce);
  if (first != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(first)), kCaption, MessageIcon::Stop);
    // Keep reading: the list shows again what the ECU holds.
    services_.timer.start(kFirstPeriodMs);
    return;
  }
  reportRefusal();
  services_.sleeper.sleep(kClearWaitMs);
  services_.timer.start(kFirstPeriodMs);
  if (link_.transact(kClearThrice) == LinkResult::Ok) reportRefusal();
}

}  // namespace vortlen
