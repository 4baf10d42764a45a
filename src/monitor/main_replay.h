#pragma once

#include <array>
#include <string>

#include "poll_cycle.h"
#include "replay.h"

namespace vortlen {

/// A main-window recording played in the main window. While it plays the polling is stopped,
/// so nothing goes to the ECU; the two header fields say that a recording shows, not the car:
/// its file and the position. When it ends, the set and the header texts come back and the
/// polling goes on where it stopped.
class MainReplay final : public WindowReplay {
 public:
  MainReplay(PollCycle& poll, WindowTimer& pollTimer, WindowTimer& replayTimer, LiveView& view);
  ~MainReplay() override;

  /// Starts playing `recording` (a main-window one).
  void begin(Recording recording);
  /// Ends the replay; the live polling resumes 90 ms later.
  void end();

 private:
  void showRecorded(const Recording& recording, std::size_t index) override;
  void showPosition() override;

  PollCycle& poll_;
  WindowTimer& pollTimer_;
  LiveView& view_;
  int liveSet_ = 1;
  std::array<std::string, kHeaderFields> liveHeaders_;
};

}  // namespace vortlen
