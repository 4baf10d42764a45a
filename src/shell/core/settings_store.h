#pragma once

#include <cstdint>
#include <string>

namespace vortlen {

/// The per-user settings: unsigned 32-bit values by name, one group per window. Each call
/// opens and closes the store; nothing is cached. A write that fails leaves what was stored
/// before and is kept until takeSaveProblem() reports it.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  /// The stored value, or `fallback` when the group or the value is missing or unreadable.
  virtual std::uint32_t readSetting(const std::string& subkey, const std::string& name,
                                    std::uint32_t fallback) = 0;
  /// Stores the value. A store that cannot be written keeps its earlier contents.
  virtual void writeSetting(const std::string& subkey, const std::string& name,
                            std::uint32_t value) = 0;
  /// The first write that failed since the last call, as "<where>: <why>"; empty when every
  /// write went through.
  virtual std::string takeSaveProblem() { return {}; }
};

// The groups and the names of the values kept in them. Texts are UTF-8.
inline const std::string kMainSubkey = "Главное";
inline const std::string kGraphSubkey = "График";
inline const std::string kActuatorSubkey = "Механизмы";

inline const std::string kShowStateName = "РазмерОкна";
inline const std::string kActiveSetName = "Набор";
inline const std::string kPortName = "КомПорт";

}  // namespace vortlen
