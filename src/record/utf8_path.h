#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace vortlen {

// The program keeps file names as UTF-8. On Windows a narrow path is read in the ANSI code page,
// so a Cyrillic name (the ECU type, a user's folder) must go through the wide forms.

/// The path of a UTF-8 name.
inline std::filesystem::path utf8Path(const std::string& name) {
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

/// The UTF-8 name of a path.
inline std::string utf8Name(const std::filesystem::path& path) {
  const std::u8string name = path.u8string();
  return std::string(name.begin(), name.end());
}

/// fopen for a path that may hold any character.
inline std::FILE* openFile(const std::filesystem::path& path, const wchar_t* wideMode,
                           const char* mode) {
#ifdef _WIN32
  (void)mode;
  return ::_wfopen(path.c_str(), wideMode);
#else
  (void)wideMode;
  return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace vortlen
