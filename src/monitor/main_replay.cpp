#include "main_replay.h"

namespace vortlen {

namespace {

const std::string kReplayHeader = "Запись, не автомобиль";

}  // namespace

MainReplay::MainReplay(PollCycle& poll, WindowTimer& pollTimer, WindowTimer& replayTimer,
                       LiveView& view)
    : WindowReplay(replayTimer), poll_(poll), pollTimer_(pollTimer), view_(view) {}

MainReplay::~MainReplay() = default;

void MainReplay::begin(Recording recording) {
  if (!active()) {
    pollTimer_.stop();
    liveSet_ = poll_.display().activeSet;
    for (std::size_t i = 0; i < kHeaderFields; ++i) liveHeaders_[i] = poll_.display().texts[i];
  }
  stop();
  poll_.selectSet(recording.set);
  play(std::move(recording));
}

void MainReplay::end() {
  if (!active()) return;
  stop();
  // The live display comes back as the polling left it: its set, its header texts, and the
  // values of the next answer.
  poll_.selectSet(liveSet_);
  for (std::size_t i = 0; i < kHeaderFields; ++i) poll_.display().texts[i] = liveHeaders_[i];
  view_.pushTexts();
  pollTimer_.start(PollCycle::kStepPeriodMs);
}

void MainReplay::showRecorded(const Recording& recording, std::size_t index) {
  poll_.showAnswer(recording.answers[index].answer());
}

void MainReplay::showPosition() {
  LiveDisplay& display = poll_.display();
  display.texts[0] = kReplayHeader;
  display.texts[1] =
      minutesSeconds(replay_->positionMs()) + " / " + minutesSeconds(replay_->durationMs());
  view_.pushTexts();
}

}  // namespace vortlen
