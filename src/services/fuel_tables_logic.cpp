#include "fuel_tables_logic.h"

#include "ecu_services.h"
#include "number_text.h"

namespace vortlen {

namespace {

constexpr const char* kCaption = "Вортлен3";

bool validTable(int number) {
  return number >= 1 && number <= FuelTablesLogic::kTableCount;
}

}  // namespace

std::string fuelCellText(std::uint8_t raw) {
  return fixedText(raw / 256.0 + 0.5, 3);
}

void FuelTablesLogic::onInit() {
  table_ = 1;
  services_.timer.start(kFirstPeriodMs);
}

void FuelTablesLogic::onTimer() {
  const std::array<std::uint8_t, 2> request = {
      ecu::kReadValues, static_cast<std::uint8_t>(ecu::kFirstTable + table_ - 1)};
  const LinkResult result = link_.transact(request);
  if (result != LinkResult::Ok) return setStatus(linkMessage(result));
  // A short answer would mix in bytes of an earlier one: it counts as a failed read.
  if (link_.answerLength() < ecu::kTableLength)
    return setStatus(linkMessage(LinkResult::BadChecksum));
  setStatus({});
  for (std::size_t k = 0; k < cells_.size(); ++k)
    cells_[k] = fuelCellText(link_.ResponseBuffer()[k]);
  services_.view.showCells();
  services_.timer.start(kPeriodMs);
}

void FuelTablesLogic::setStatus(std::string_view status) {
  if (status_ == status) return;
  status_ = status;
  services_.view.showStatus();
}

void FuelTablesLogic::showTable(int number) {
  if (validTable(number)) table_ = number;
}

void FuelTablesLogic::zeroTable(int number) {
  if (!validTable(number)) return;
  services_.timer.stop();
  const auto command = static_cast<std::uint8_t>(ecu::kCommandZeroTable1 << (number - 1));
  const std::array<std::uint8_t, 5> request = {ecu::kWriteValues, ecu::kCommand, command,
                                               ecu::kCommand, command};
  const LinkResult result = link_.transact(request);
  table_ = number;
  if (result != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(result)), kCaption, MessageIcon::Stop);
  } else if (link_.answerLength() > 0 && link_.ResponseBuffer()[0] != ecu::kCompletionDone) {
    services_.notifier.message("ЭБУ не может выполнить операцию ", kCaption,
                               MessageIcon::Exclamation);
  }
  services_.timer.start(kFirstPeriodMs);
}

void FuelTablesLogic::onClose() {
  services_.timer.stop();
  const std::array<std::uint8_t, 3> request = {ecu::kWriteValues, ecu::kCommand, ecu::kCommandNone};
  link_.transact(request);
}

}  // namespace vortlen
