#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "ecu_link.h"
#include "parameter_catalogue.h"
#include "window_services.h"

namespace vortlen {

enum class PollState { Connect = 0, ReadEcuType = 1, ReadEngine = 2, Cycle = 3 };

inline constexpr std::size_t kHeaderFields = 2;
inline constexpr std::size_t kDisplayTexts = kHeaderFields + kSlotCount;
inline const std::string kConnectingText = "Соединяемся...";

/// What the main window shows of the live data, as plain data. The view draws it when told.
struct LiveDisplay {
  /// Fields 1030..1039: status or ECU type, engine, then the eight value fields.
  std::array<std::string, kDisplayTexts> texts{kConnectingText};
  std::array<std::string, kSlotCount> captions;
  std::array<int, kSlotCount> bars{};  // positions, already within each bar's range
  std::array<int, kSlotCount> barMin{};
  std::array<int, kSlotCount> barMax{};
  std::uint16_t modeFlags = 0;
  std::array<std::uint8_t, 4> cylinderFlags{};
  int activeSet = 1;
};

/// Where the live display goes: a view that draws the state when told to.
class LiveView {
 public:
  virtual ~LiveView() = default;
  /// The ten texts and the bars changed: show them.
  virtual void pushTexts() = 0;
  /// The mode flags or cylinder flags changed: repaint the labels in their colours.
  virtual void refreshIndicators() = 0;
  /// Another set became active: captions, bar ranges and the menu's check marks changed.
  virtual void setChanged() = 0;
};

/// Sees every good set answer once the window shows it: a recording keeps it.
class SetAnswerObserver {
 public:
  virtual ~SetAnswerObserver() = default;
  /// `answer` holds the bytes the ECU sent; `display` what the window now shows of them.
  virtual void onSetAnswer(const LiveDisplay& display, std::span<const std::uint8_t> answer) = 0;
};

/// The main window's polling: one transaction a tick of PollTimer, which each step re-arms with
/// 90 ms once the transaction is over. It connects (01), reads the ECU type (51) and the
/// engine (58), then reads the active set on every tick; a failure falls back to connecting.
class PollCycle {
 public:
  static constexpr int kStepPeriodMs = 90;

  PollCycle(EcuLink& link, WindowTimer& pollTimer, LiveView& view)
      : link_(link), timer_(pollTimer), view_(view) {}

  /// One step: one request, the timer re-armed, the display updated and pushed.
  void onPollTimer();

  /// Empties the slots, the engine field, the bars and the flags; field 1030 keeps its text.
  /// The link's answer buffer is zeroed too.
  void clearLiveDisplay();

  /// Shows a set answer of the active set as a good poll does: texts, bars, flags. A replay
  /// hands the recorded answers here.
  void showAnswer(std::span<const std::uint8_t> answer);

  /// Every good answer of the cycle also goes to `observer` (none: nullptr).
  void setObserver(SetAnswerObserver* observer) { observer_ = observer; }

  /// Makes set n (1..5) active: captions, bar ranges, menu check, bars at their zero.
  void selectSet(int number);

  PollState state() const { return state_; }
  void setState(PollState state) { state_ = state; }
  LiveDisplay& display() { return display_; }
  const LiveDisplay& display() const { return display_; }

 private:
  std::string headerText() const;
  void setBar(std::size_t slot, int position);

  EcuLink& link_;
  WindowTimer& timer_;
  LiveView& view_;
  PollState state_ = PollState::Connect;
  LiveDisplay display_;
  SetAnswerObserver* observer_ = nullptr;
};

}  // namespace vortlen
