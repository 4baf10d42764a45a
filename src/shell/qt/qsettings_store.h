#pragma once

#include "settings_store.h"

namespace vortlen {

/// The settings in the per-user store of the system: on Windows the registry key
/// HKCU\Software\Vortlen3\<subkey> with DWORD values; elsewhere the INI file
/// $XDG_CONFIG_HOME/Vortlen3/Vortlen3.ini (default ~/.config) with one group per subkey.
/// The location is looked up on every call, so nothing outlives a read or a write.
class QSettingsStore final : public SettingsStore {
 public:
  /// A value that is not a decimal number in 0..4294967295 counts as unreadable.
  std::uint32_t readSetting(const std::string& subkey, const std::string& name,
                            std::uint32_t fallback) override;
  /// Writes the value and flushes it to the store at once. The file is replaced whole or not
  /// at all, so a failed write leaves the earlier settings as they were.
  void writeSetting(const std::string& subkey, const std::string& name,
                    std::uint32_t value) override;
  std::string takeSaveProblem() override;

 private:
  std::string problem_;
};

}  // namespace vortlen
