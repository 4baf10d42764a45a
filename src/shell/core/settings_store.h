#pragma once

#include <cstdint>
#include <string>

namespace vortlen {

/// The per-user settings: unsigned 32-bit values by name, one group per window. Each call
/// opens and closes the store; nothing is cached, and no failure is reported.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  /// The stored value, or `fallback` when the group or the value is missing or unreadable.
  virtual std::uint32_t readSetting(const std::string& subkey, const std::string& name,
                                    std::uint32_t fallback) = 0;
  /// Stores the value; a store that cannot be written loses it silently.
  virtual void writeSetting(const std::string& subkey, const std::string& name,
                            std::uint32_t value) = 0;
};

// The groups and the names of the values kept in them. Texts are UTF-8.
inline const std::string kMainSubkey = "Главное";
inline const std::string kGraphSubkey = "График";
inline const std::string kActuatorSubkey = "Механизмы";

inline const std::string kShowStateName = "РазмерОкна";
inline const std::string kActiveSetName = "Набор";
inline const std::string kPortName = "КомПорт";

}  // namespace vortlen
