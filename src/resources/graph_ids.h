#pragma once

// Numbers of the graph view and the timing-phase test window.

namespace vortlen::ids {

inline constexpr int kGraphDialog = 109;
inline constexpr int kPhaseTestDialog = 121;
inline constexpr int kGraphMenu = 134;
inline constexpr int kGraphAccelerators = 135;
inline constexpr int kEnlargeCursor = 137;  // a magnifier with a plus
inline constexpr int kShrinkCursor = 147;   // a magnifier with a minus

// Commands of the graph view.
inline constexpr int kCmdGraphStop = 32782;
inline constexpr int kCmdGraphSet1 = 32783;
inline constexpr int kCmdGraphSet2 = 32787;
inline constexpr int kCmdGraphSet3 = 32788;
inline constexpr int kCmdGraphSet4 = 32800;
inline constexpr int kCmdBlackOnWhite = 32784;
inline constexpr int kCmdWhiteOnBlack = 32785;
inline constexpr int kCmdGraphHelp = 32790;
inline constexpr int kCmdGraphClose = 32797;

inline constexpr int kGraphSetCommands[4] = {kCmdGraphSet1, kCmdGraphSet2, kCmdGraphSet3,
                                             kCmdGraphSet4};

// Controls of the graph view: trace k has caption 1002+k and value 1030+k.
inline constexpr int kFirstGraphCaption = 1002;
inline constexpr int kFirstGraphValue = 1030;

}  // namespace vortlen::ids
