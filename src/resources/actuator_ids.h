#pragma once

// Numbers of the actuator window (dialog 120) and of its balance-test group.

namespace vortlen::ids {

inline constexpr int kActuatorDialog = 120;
inline constexpr int kBalanceWarningBitmap = 149;

// Value fields and bars of the monitor.
inline constexpr int kActuatorCoolantText = 1030;
inline constexpr int kActuatorSpeedText = 1031;
inline constexpr int kActuatorCoolantBar = 1047;
inline constexpr int kActuatorSpeedBar = 1048;

// The five relay boxes in the order of their bits in code 0x09 (lamp, fan, A/C, pump, idle
// cut-off valve), and the four injector boxes of cylinders 1..4.
inline constexpr int kRelayBoxes[5] = {1059, 1060, 1061, 1062, 1067};
inline constexpr int kInjectorBoxes[4] = {1063, 1064, 1065, 1066};

// The balance-test group.
inline constexpr int kBalanceStart = 1032;
inline constexpr int kBalanceStop = 1036;
inline constexpr int kBalanceTarget = 1037;
inline constexpr int kBalanceCycles = 1040;
inline constexpr int kBalanceImbalance = 1041;
inline constexpr int kBalanceWarning = 1042;
inline constexpr int kBalanceResultBars[4] = {1049, 1050, 1051, 1052};
inline constexpr int kBalanceResultFields[4] = {1033, 1034, 1035, 1038};

}  // namespace vortlen::ids
