#pragma once

// The commands of recording, replay and export. They are the program's own additions, numbered
// apart from the windows' original commands.
namespace vortlen::ids {

inline constexpr int kCmdRecord = 33001;         // «Запись», Ctrl+R
inline constexpr int kCmdOpenRecording = 33002;  // «Открыть запись…», Ctrl+O
inline constexpr int kCmdSavePicture = 33003;    // the graph's picture as PNG, Ctrl+S
inline constexpr int kCmdExportSave = 33004;  // «Сохранить» in the faults and passport windows

}  // namespace vortlen::ids
