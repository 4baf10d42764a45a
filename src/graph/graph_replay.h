#pragma once

#include <string>

#include "graph_logic.h"
#include "replay.h"

namespace vortlen {

/// A graph-view recording played in the graph view, drawn as live. While it plays the view's
/// polling is paused, so nothing goes to the ECU; when it ends the view's set comes back, the
/// traces start afresh and the polling goes on.
class GraphReplay final : public WindowReplay {
 public:
  GraphReplay(GraphLogic& logic, WindowTimer& replayTimer);
  ~GraphReplay() override;

  /// Starts playing `recording` (a graph-view one).
  void begin(Recording recording);
  void end();

 private:
  void showRecorded(const Recording& recording, std::size_t index) override;
  void showPosition() override {}

  GraphLogic& logic_;
  int liveSet_ = 1;
  std::size_t last_ = 0;
  bool anyShown_ = false;
};

}  // namespace vortlen
