#include "settings_values.h"

#include <string>

namespace vortlen {

namespace {

const std::string kGraphSetName = "Nabor";
const std::string kLineLengthName = "LenLine";
const std::string kFaceName = "Face";
const std::string kTargetSpeedName = "Обороты";
const std::string kCyclesName = "Циклы";
const std::string kImbalanceName = "Дисбаланс";

std::string enlargedMaskName(std::size_t set) {
  return "MaxText" + std::to_string(set + 1);
}

std::uint32_t within(std::uint32_t value, std::uint32_t low, std::uint32_t high,
                     std::uint32_t fallback) {
  return value < low || value > high ? fallback : value;
}

}  // namespace

MainSettings readMainSettings(SettingsStore& store) {
  MainSettings settings;
  // 0 would start the program hidden, with no way for the mechanic to reach it.
  const std::uint32_t showState = store.readSetting(kMainSubkey, kShowStateName, 3) & 3u;
  settings.showState = showState == 0 ? 3 : showState;
  settings.activeSet =
      static_cast<int>(within(store.readSetting(kMainSubkey, kActiveSetName, 1), 1, 5, 1));
  settings.portNumber = within(store.readSetting(kMainSubkey, kPortName, 1), 1, 4, 1);
  return settings;
}

void writeMainSettings(SettingsStore& store, const MainSettings& settings) {
  store.writeSetting(kMainSubkey, kShowStateName, settings.showState);
  store.writeSetting(kMainSubkey, kActiveSetName, static_cast<std::uint32_t>(settings.activeSet));
  store.writeSetting(kMainSubkey, kPortName, settings.portNumber);
}

GraphSettings readGraphSettings(SettingsStore& store) {
  GraphSettings settings;
  settings.activeSet =
      static_cast<int>(within(store.readSetting(kGraphSubkey, kGraphSetName, 1), 1, 4, 1));
  settings.lineLength =
      static_cast<int>(within(store.readSetting(kGraphSubkey, kLineLengthName, 4), 1, 20, 4));
  for (std::size_t set = 0; set < settings.enlargedMask.size(); ++set) {
    settings.enlargedMask[set] =
        static_cast<std::uint8_t>(store.readSetting(kGraphSubkey, enlargedMaskName(set), 0) & 0x7F);
  }
  settings.blackOnWhite = (store.readSetting(kGraphSubkey, kFaceName, 1) & 1u) != 0;
  return settings;
}

void writeGraphSettings(SettingsStore& store, const GraphSettings& settings) {
  store.writeSetting(kGraphSubkey, kGraphSetName, static_cast<std::uint32_t>(settings.activeSet));
  store.writeSetting(kGraphSubkey, kLineLengthName,
                     static_cast<std::uint32_t>(settings.lineLength));
  for (std::size_t set = 0; set < settings.enlargedMask.size(); ++set) {
    store.writeSetting(kGraphSubkey, enlargedMaskName(set), settings.enlargedMask[set]);
  }
  store.writeSetting(kGraphSubkey, kFaceName, settings.blackOnWhite ? 1 : 0);
}

BalanceSettings readBalanceSettings(SettingsStore& store) {
  BalanceSettings settings;
  // The combo boxes give back at most nine characters: a longer number (a negative entry
  // stored as its two's complement, say) would come back cut short. It counts as unreadable.
  constexpr std::uint32_t kLongestShown = 999'999'999;
  settings.targetSpeed =
      within(store.readSetting(kActuatorSubkey, kTargetSpeedName, 1000), 0, kLongestShown, 1000);
  settings.cycles =
      within(store.readSetting(kActuatorSubkey, kCyclesName, 30), 0, kLongestShown, 30);
  settings.imbalance =
      within(store.readSetting(kActuatorSubkey, kImbalanceName, 30), 0, kLongestShown, 30);
  return settings;
}

void writeBalanceSettings(SettingsStore& store, const BalanceSettings& settings) {
  store.writeSetting(kActuatorSubkey, kTargetSpeedName, settings.targetSpeed);
  store.writeSetting(kActuatorSubkey, kCyclesName, settings.cycles);
  store.writeSetting(kActuatorSubkey, kImbalanceName, settings.imbalance);
}

std::uint32_t leadingNumber(std::string_view text) {
  text = text.substr(0, 9);
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  // Nine characters hold at most nine digits: no overflow in 32 bits.
  std::uint32_t value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + static_cast<std::uint32_t>(text[at++] - '0');
  }
  return negative ? 0u - value : value;
}

}  // namespace vortlen
