#pragma once

// Numbers of the passport, faults and fuel-tables windows and of their controls.

namespace vortlen::ids {

inline constexpr int kPassportDialog = 105;
inline constexpr int kFuelTablesDialog = 106;
inline constexpr int kFaultsDialog = 107;

// Passport window.
inline constexpr int kPassportLines = 1060;
inline constexpr int kConfigurationList = 1061;
inline constexpr int kFirstPassportField = 1040;  // 1040..1046
inline constexpr int kWriteFieldsButton = 1062;

// Faults window.
inline constexpr int kFaultList = 1060;
inline constexpr int kClearFaultsButton = 1062;

// Fuel-tables window.
inline constexpr int kFuelGrid = 1060;
inline constexpr int kShowTableButtons[4] = {1062, 1031, 1032, 1033};
inline constexpr int kZeroTableButtons[4] = {1034, 1035, 1036, 1037};

}  // namespace vortlen::ids
