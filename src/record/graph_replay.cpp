#include "graph_replay.h"

#include <algorithm>

#include "main_replay.h"

namespace vortlen {

GraphReplay::GraphReplay(GraphLogic& logic, WindowTimer& replayTimer)
    : logic_(logic), replayTimer_(replayTimer) {}

GraphReplay::~GraphReplay() = default;

void GraphReplay::begin(Recording recording) {
  if (!active()) {
    logic_.setPollingPaused(true);
    liveSet_ = logic_.activeSet();
  }
  replay_.reset();
  anyShown_ = false;
  logic_.chooseSet(recording.set);
  ReplayTarget& target = *this;
  replay_ = std::make_unique<Replay>(std::move(recording), replayTimer_, target);
  replay_->start();
}

void GraphReplay::end() {
  if (!active()) return;
  replay_.reset();
  logic_.chooseSet(liveSet_);
  logic_.restartTraces();
  logic_.setPollingPaused(false);
}

void GraphReplay::onTimer() {
  if (replay_) replay_->onTimer();
}

void GraphReplay::key(ReplayKey key) {
  if (replay_) replay_->key(key);
}

std::string GraphReplay::positionText() const {
  if (!replay_) return {};
  std::string text = minutesSeconds(replay_->positionMs()) + " / " +
                     minutesSeconds(replay_->durationMs()) + "  " + replay_->speedText();
  if (replay_->paused()) text += "  пауза";
  return text;
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
