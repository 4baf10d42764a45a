#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "settings_store.h"

namespace vortlen {

// Every value the program keeps between runs, read with its default and made valid on read.
// Each group is written only when its window closes or the program ends.

/// The main window (group "Главное").
struct MainSettings {
  std::uint32_t showState = 3;  // 1 normal, 2 minimised, 3 maximised
  int activeSet = 1;            // 1..5
  unsigned portNumber = 1;      // 1..4
};
MainSettings readMainSettings(SettingsStore& store);
void writeMainSettings(SettingsStore& store, const MainSettings& settings);

/// The graph view (group "График").
struct GraphSettings {
  int activeSet = 1;                           // Nabor, 1..4
  int lineLength = 4;                          // LenLine, pixels per sample, 1..20
  std::array<std::uint8_t, 4> enlargedMask{};  // MaxText1..4, seven traces each
  bool blackOnWhite = true;                    // Face
};
GraphSettings readGraphSettings(SettingsStore& store);
void writeGraphSettings(SettingsStore& store, const GraphSettings& settings);

/// The balance test's choices (group "Механизмы"), stored and shown as they were typed.
struct BalanceSettings {
  std::uint32_t targetSpeed = 1000;  // Обороты
  std::uint32_t cycles = 30;         // Циклы
  std::uint32_t imbalance = 30;      // Дисбаланс
};
BalanceSettings readBalanceSettings(SettingsStore& store);
void writeBalanceSettings(SettingsStore& store, const BalanceSettings& settings);

/// A combo box text as a number: leading blanks, an optional sign and the digits that follow,
/// of at most the first 9 characters; no digits give 0. A negative number comes back as its
/// 32-bit two's complement, as the store keeps it.
std::uint32_t leadingNumber(std::string_view text);

}  // namespace vortlen
