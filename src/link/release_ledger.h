#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "link_result.h"

namespace vortlen {

/// What the program has put under its own control in the ECU (relays, injectors, override and
/// CO registers), kept once for every window, and the releases it still owes.
///
/// Held: what the writes left in the ECU as far as the program knows. A write that puts
/// something under control counts as soon as it is on the line; only a write that the ECU
/// confirms (completion code 0) takes something away. What an open window holds, that window
/// releases; nothing else releases it behind its back, except after the link was lost, when the
/// ECU's state is unknown and the full release goes first when the link is back.
///
/// Owed: the release requests of holders that have ended (a window closed, a test stopped) that
/// the line lost. They are sent again, byte for byte, before anything else, until the ECU
/// answers them.
class ReleaseLedger {
 public:
  static constexpr std::size_t kMaxOwed = 8;
  static constexpr std::size_t kMaxRequest = 30;

  /// A write-values request (service 0x62) was put on the line; `confirmed`: the ECU answered
  /// it with completion code 0. Other requests are ignored. Returns true when the write took
  /// something the ECU held under control away from the program (a confirmed release).
  bool noteWrite(const std::uint8_t* request, std::size_t length, bool confirmed);

  /// The result of any transaction. Only a port that took nothing, an adapter that stopped
  /// echoing or a wrong echo count as losing the link; an ECU that missed one answer (no
  /// answer, a bad checksum after a good echo) is a glitch and changes nothing.
  void noteResult(LinkResult result);
  /// The port was opened again after its device had gone: whatever the ECU held is unknown.
  void noteLinkLost() { lost_ = true; }
  /// The link was lost and no answer has come since.
  bool linkLost() const { return lost_; }

  /// Something may still be under the program's control.
  bool held() const;
  /// Whether the registers of `code` (0x09..0x0D) may still hold any of `bits`.
  bool holds(std::uint8_t code, std::uint8_t bits = 0xFF) const;

  /// A holder ended and the line lost its release: it goes again first when the link answers.
  /// The same request owed twice is kept once; a full release owed stands for every other.
  void owe(const std::uint8_t* request, std::size_t length);
  std::size_t owedCount() const { return owedCount_; }
  /// The oldest owed request; its length through `length`. Only while owedCount() > 0.
  const std::uint8_t* owedRequest(std::size_t& length) const;
  /// The oldest owed request was answered (confirmed or refused): it is owed no more.
  void dropOldestOwed();

  /// What may still be active, in words for the mechanic ("подмена температуры ОЖ, ...").
  std::string heldItems() const;

  /// The warning for a release the line lost after its tries: what may still be active, that
  /// the program sends it again when the link is back, and what to do about it meanwhile.
  std::string unreleasedWarning() const;
  /// The warning for a release the ECU refused: what may still be active.
  std::string refusedWarning() const;

 private:
  struct Request {
    std::array<std::uint8_t, kMaxRequest> bytes{};
    std::size_t length = 0;
  };
  // Codes 0x09..0x0D: relay outputs, relay mask, override mask, CO mask, injector cut.
  static constexpr std::uint8_t kFirstCode = 0x09;
  std::array<std::uint8_t, 5> held_{};
  std::array<Request, kMaxOwed> owed_{};
  std::size_t owedCount_ = 0;
  bool lost_ = false;
};

/// Whether `request` is the full release: every register 0x09..0x0F set to 0.
bool isFullRelease(const std::uint8_t* request, std::size_t length);

}  // namespace vortlen
