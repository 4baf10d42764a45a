#pragma once

// Numbers of the program's windows, menus, commands, controls and pictures. Tests and tools
// find a control by the same number: a widget's objectName is its id in decimal.

namespace vortlen::ids {

// Dialogs.
inline constexpr int kMainDialog = 102;
inline constexpr int kSettingsDialog = 103;

// Menus, accelerator tables, icons and cursors.
inline constexpr int kMainMenu = 132;
inline constexpr int kMainAccelerators = 133;
inline constexpr int kProgramIcon = 131;
inline constexpr int kValueCursor = 136;

// Commands of the main window.
inline constexpr int kCmdPassport = 32778;
inline constexpr int kCmdFuelTables = 32779;
inline constexpr int kCmdFaults = 32780;
inline constexpr int kCmdResetEcu = 32786;
inline constexpr int kCmdSet1 = 32771;
inline constexpr int kCmdSet2 = 32772;
inline constexpr int kCmdSet3 = 32773;
inline constexpr int kCmdSet4 = 32774;
inline constexpr int kCmdSet5 = 32801;
inline constexpr int kCmdGraph = 32781;
inline constexpr int kCmdActuators = 32795;
inline constexpr int kCmdPhaseTest = 32798;
inline constexpr int kCmdCoAdjust = 32791;
inline constexpr int kCmdIgnitionAdjust = 32792;
inline constexpr int kCmdCoolantAdjust = 32793;
inline constexpr int kCmdIdleValveAdjust = 32794;
inline constexpr int kCmdSettings = 32775;
inline constexpr int kCmdAbout = 32776;
inline constexpr int kCmdAdapterScheme = 32799;
inline constexpr int kCmdExit = 32777;
inline constexpr int kCmdPowerOff = 32796;
inline constexpr int kCmdInert = 65535;  // the top-level items that do nothing

inline constexpr int kSetCommands[5] = {kCmdSet1, kCmdSet2, kCmdSet3, kCmdSet4, kCmdSet5};

// Controls of the main window.
inline constexpr int kFirstCaption = 1002;   // 1001 + slot
inline constexpr int kFirstFlag = 1010;      // 1010..1025: mode flags, bits 0..15
inline constexpr int kFirstCylinder = 1026;  // 1026..1029
inline constexpr int kHeaderStatus = 1030;
inline constexpr int kHeaderEngine = 1031;
inline constexpr int kFirstValue = 1032;  // 1031 + slot
inline constexpr int kFirstBar = 1047;    // 1046 + slot

// Controls of the settings dialog.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kFirstPortRadio = 1055;  // 1054 + port number
inline constexpr int kBeepBox = 1059;

}  // namespace vortlen::ids
