#include "main_replay.h"

namespace vortlen {

namespace {

const std::string kReplayHeader = "Запись, не автомобиль";

}  // namespace

std::string minutesSeconds(std::int64_t ms) {
  const std::int64_t seconds = ms / 1000;
  const std::string ss = std::to_string(seconds % 60);
  return std::to_string(seconds / 60) + ":" + (ss.size() < 2 ? "0" + ss : ss);
}

MainReplay::MainReplay(PollCycle& poll, WindowTimer& pollTimer, WindowTimer& replayTimer,
                       LiveView& view)
    : poll_(poll), pollTimer_(pollTimer), replayTimer_(replayTimer), view_(view) {}

MainReplay::~MainReplay() = default;

void MainReplay::begin(Recording recording) {
  if (!active()) {
    pollTimer_.stop();
    liveSet_ = poll_.display().activeSet;
    for (std::size_t i = 0; i < kHeaderFields; ++i) liveHeaders_[i] = poll_.display().texts[i];
  }
  replay_.reset();
  poll_.selectSet(recording.set);
  ReplayTarget& target = *this;
  replay_ = std::make_unique<Replay>(std::move(recording), replayTimer_, target);
  replay_->start();
}

void MainReplay::end() {
  if (!active()) return;
  replay_.reset();
  // The live display comes back as the polling left it: its set, its header texts, and the
  // values of the next answer.
  poll_.selectSet(liveSet_);
  for (std::size_t i = 0; i < kHeaderFields; ++i) poll_.display().texts[i] = liveHeaders_[i];
  view_.pushTexts();
  pollTimer_.start(PollCycle::kStepPeriodMs);
}

void MainReplay::onTimer() {
  if (replay_) replay_->onTimer();
}

void MainReplay::key(ReplayKey key) {
  if (replay_) replay_->key(key);
}

void MainReplay::showRecorded(const Recording& recording, std::size_t index) {
  poll_.showAnswer(recording.answers[index].answer());
}

std::string MainReplay::positionText() const {
  if (!replay_) return {};
  std::string text = minutesSeconds(replay_->positionMs()) + " / " +
                     minutesSeconds(replay_->durationMs()) + "  " + replay_->speedText();
  if (replay_->paused()) text += "  пауза";
  return text;
}

void MainReplay::showPosition() {
  LiveDisplay& display = poll_.display();
  display.texts[0] = kReplayHeader;
  display.texts[1] =
      minutesSeconds(replay_->positionMs()) + " / " + minutesSeconds(replay_->durationMs());
  view_.pushTexts();
}

}  // namespace vortlen
