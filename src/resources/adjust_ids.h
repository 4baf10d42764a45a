#pragma once

// Numbers of the adjustment windows, the about window and the adapter-scheme window, and of
// their controls and pictures.

namespace vortlen::ids {

// The four slider windows.
inline constexpr int kIdleValveDialog = 116;
inline constexpr int kIgnitionDialog = 117;
inline constexpr int kCoolantDialog = 118;
inline constexpr int kCoDialog = 119;

// Their controls: value field 1030 beside slider 1035, 1031 beside 1036.
inline constexpr int kAdjustUpperValue = 1030;
inline constexpr int kAdjustLowerValue = 1031;
inline constexpr int kAdjustUpperSlider = 1035;
inline constexpr int kAdjustLowerSlider = 1036;

// The about window and its controls.
inline constexpr int kAboutDialog = 104;
inline constexpr int kAboutClose = 1;
inline constexpr int kAboutText = 1002;
inline constexpr int kAboutMailLink = 1005;
inline constexpr int kAboutWebLink = 1006;
// The program's version, beside the icon: ours, in the window's free band above the description.
inline constexpr int kAboutVersion = 1007;
inline constexpr int kLinkCursor = 148;

// The adapter-scheme window and its picture.
inline constexpr int kAdapterSchemeDialog = 151;
inline constexpr int kAdapterSchemeBitmap = 152;

}  // namespace vortlen::ids
