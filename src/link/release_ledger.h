#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "link_result.h"

namespace vortlen {

/// What the program has put under its own control in the ECU (relays, injectors, override and
/// CO registers), kept once for every window. A write that puts something under control sets
/// it as soon as the write is on the line; only a write of 0 that the ECU confirms clears it.
/// While anything is held, a release is owed: the close procedures and the exit send one, and
/// every transaction sends it first when the link comes back after it was lost.
class ReleaseLedger {
 public:
  /// A write-values request (service 0x62) was put on the line; `confirmed`: the ECU answered
  /// it with completion code 0. Other requests are ignored.
  void noteWrite(const std::uint8_t* request, std::size_t length, bool confirmed);

  /// The result of any transaction: a link that failed and answers again owes its release
  /// first.
  void noteResult(LinkResult result);

  /// Something may still be under the program's control.
  bool owed() const;
  /// The release is owed and the link was lost since the ECU last answered.
  bool releaseDueFirst() const { return owed() && interrupted_; }

  /// What may still be active, in words for the mechanic ("подмена температуры ОЖ, ...").
  std::string heldItems() const;

  /// The warning for a release the ECU did not confirm: what may still be active and what to
  /// do about it.
  std::string unreleasedWarning() const;

 private:
  // Codes 0x09..0x0D: relay outputs, relay mask, override mask, CO mask, injector cut.
  static constexpr std::uint8_t kFirstCode = 0x09;
  std::array<std::uint8_t, 5> held_{};
  bool interrupted_ = false;
};

/// Whether `request` is the full release: every register 0x09..0x0F set to 0.
bool isFullRelease(const std::uint8_t* request, std::size_t length);

}  // namespace vortlen
