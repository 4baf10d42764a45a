#pragma once

#include <array>
#include <memory>
#include <string>

#include "poll_cycle.h"
#include "replay.h"

namespace vortlen {

/// A main-window recording played in the main window. While it plays the polling is stopped,
/// so nothing goes to the ECU; the two header fields say that a recording shows, not the car:
/// its file and the position. When it ends, the set and the header texts come back and the
/// polling goes on where it stopped.
class MainReplay final : private ReplayTarget {
 public:
  MainReplay(PollCycle& poll, WindowTimer& pollTimer, WindowTimer& replayTimer, LiveView& view);
  ~MainReplay() override;

  /// Starts playing `recording` (a main-window one).
  void begin(Recording recording);
  /// Ends the replay; the live polling resumes 90 ms later.
  void end();
  bool active() const { return replay_ != nullptr; }
  void onTimer();
  /// The replay's keys; Escape ends it. True when the key was one of them.
  void key(ReplayKey key);
  const Replay* replay() const { return replay_.get(); }

  /// "0:12 / 1:30  ×1", with "пауза" when paused.
  std::string positionText() const;

 private:
  void showRecorded(const Recording& recording, std::size_t index) override;
  void showPosition() override;

  PollCycle& poll_;
  WindowTimer& pollTimer_;
  WindowTimer& replayTimer_;
  LiveView& view_;
  std::unique_ptr<Replay> replay_;
  int liveSet_ = 1;
  std::array<std::string, kHeaderFields> liveHeaders_;
};

/// "m:ss" of milliseconds.
std::string minutesSeconds(std::int64_t ms);

}  // namespace vortlen
