#include "graph_replay.h"

#include <algorithm>

namespace vortlen {

GraphReplay::GraphReplay(GraphLogic& logic, WindowTimer& replayTimer)
    : WindowReplay(replayTimer), logic_(logic) {}

GraphReplay::~GraphReplay() = default;

void GraphReplay::begin(Recording recording) {
  if (!active()) {
    logic_.setPollingPaused(true);
    liveSet_ = logic_.activeSet();
  }
  stop();
  anyShown_ = false;
  logic_.chooseSet(recording.set);
  play(std::move(recording));
}

void GraphReplay::end() {
  if (!active()) return;
  stop();
  logic_.chooseSet(liveSet_);
  logic_.restartTraces();
  logic_.setPollingPaused(false);
}

void GraphReplay::showRecorded(const Recording& recording, std::size_t index) {
  if (anyShown_ && index == last_ + 1) {
    logic_.showAnswer(recording.answers[index].answer(), true);
  } else {
    // A jump: the traces are rebuilt from the answers that led up to this one, as live.
    logic_.restartTraces();
    const std::size_t depth = static_cast<std::size_t>(std::max(logic_.screenWidth(), 1));
    const std::size_t from = index + 1 > depth ? index + 1 - depth : 0;
    for (std::size_t i = from; i <= index; ++i) {
      logic_.showAnswer(recording.answers[i].answer(), i == index);
    }
  }
  last_ = index;
  anyShown_ = true;
}

}  // namespace vortlen
