#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "recording_file.h"
#include "window_services.h"

namespace vortlen {

/// Where a replay shows what it plays.
class ReplayTarget {
 public:
  virtual ~ReplayTarget() = default;
  /// Show answer `index` of `recording` as the window showed it live. After a jump the index
  /// is not the one after the last shown.
  virtual void showRecorded(const Recording& recording, std::size_t index) = 0;
  /// The position, the speed or the pause changed.
  virtual void showPosition() = 0;
};

enum class ReplayKey {
  PauseResume,
  Back,     // 10 s
  Forward,  // 10 s
  Home,
  End,
  Faster,
  Slower,
  PreviousAnswer,  // one answer, and pause
  NextAnswer,      // one answer, and pause
};

/// Plays a recording back on a window timer: every tick moves the position by the tick times
/// the speed, and the newest answer at or before the position is shown once.
class Replay {
 public:
  static constexpr int kTickMs = 40;
  static constexpr std::int64_t kStepMs = 10'000;

  Replay(Recording recording, WindowTimer& timer, ReplayTarget& target);
  ~Replay();
  Replay(const Replay&) = delete;
  Replay& operator=(const Replay&) = delete;

  /// Shows the first answer and starts playing.
  void start();
  /// Stops the timer; nothing more is shown.
  void stop();
  void onTimer();
  void key(ReplayKey key);

  const Recording& recording() const { return recording_; }
  /// Milliseconds since the first answer, and the whole length.
  std::int64_t positionMs() const { return clock_ - first(); }
  std::int64_t durationMs() const { return recording_.answers.back().ms - first(); }
  std::size_t shownIndex() const { return shown_; }
  bool paused() const { return paused_; }
  /// The speed in quarters: 1 (×¼) .. 32 (×8).
  int speedQuarters() const { return speedQuarters_; }
  /// "×1/4", "×1/2", "×1", "×2", "×4", "×8".
  std::string speedText() const;

 private:
  std::int64_t first() const { return recording_.answers.front().ms; }
  void seek(std::int64_t clock);
  void showCurrent();

  Recording recording_;
  WindowTimer& timer_;
  ReplayTarget& target_;
  std::int64_t clock_ = 0;  // in the recording's own milliseconds
  std::size_t shown_ = 0;
  bool anyShown_ = false;
  bool paused_ = false;
  int speedQuarters_ = 4;
};

/// What the replay of one window holds: the one Replay it plays, on the window's replay timer.
/// The window's own class says what playing, and ending, does to the window.
class WindowReplay : protected ReplayTarget {
 public:
  bool active() const { return replay_ != nullptr; }
  void onTimer();
  void key(ReplayKey key);
  const Replay* replay() const { return replay_.get(); }
  /// "0:12 / 1:30  ×1", with "пауза" when paused; empty when none plays.
  std::string positionText() const;

 protected:
  explicit WindowReplay(WindowTimer& replayTimer) : replayTimer_(replayTimer) {}
  ~WindowReplay() override;
  /// Plays `recording` in place of any that plays.
  void play(Recording recording);
  void stop() { replay_.reset(); }

  std::unique_ptr<Replay> replay_;

 private:
  WindowTimer& replayTimer_;
};

/// "m:ss" of milliseconds.
std::string minutesSeconds(std::int64_t ms);

}  // namespace vortlen
