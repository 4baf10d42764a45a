#include "replay.h"

#include <algorithm>

namespace vortlen {

Replay::Replay(Recording recording, WindowTimer& timer, ReplayTarget& target)
    : recording_(std::move(recording)), timer_(timer), target_(target) {
  clock_ = first();
}

Replay::~Replay() {
  timer_.stop();
}

void Replay::start() {
  seek(first());
  timer_.start(kTickMs);
}

void Replay::stop() {
  timer_.stop();
}

std::string Replay::speedText() const {
  switch (speedQuarters_) {
    case 1:
      return "×1/4";
    case 2:
      return "×1/2";
    default:
      return "×" + std::to_string(speedQuarters_ / 4);
  }
}

void Replay::onTimer() {
  if (paused_) return;
  std::int64_t next = clock_ + kTickMs * speedQuarters_ / 4;
  const std::int64_t last = recording_.answers.back().ms;
  if (next >= last) {
    // The end: the last answer stays on the screen until the user moves or leaves.
    next = last;
    paused_ = true;
  }
  seek(next);
}

void Replay::seek(std::int64_t clock) {
  clock_ = std::clamp(clock, first(), recording_.answers.back().ms);
  const auto& answers = recording_.answers;
  // The newest answer at or before the position.
  const auto after = std::upper_bound(
      answers.begin(), answers.end(), clock_,
      [](std::int64_t ms, const RecordedAnswer& answer) { return ms < answer.ms; });
  const std::size_t index = static_cast<std::size_t>(after - answers.begin()) - 1;
  if (!anyShown_ || index != shown_) {
    shown_ = index;
    anyShown_ = true;
    target_.showRecorded(recording_, index);
  }
  target_.showPosition();
}

void Replay::key(ReplayKey key) {
  switch (key) {
    case ReplayKey::PauseResume:
      // Resuming at the end starts again from the beginning.
      if (paused_ && clock_ >= recording_.answers.back().ms) {
        anyShown_ = false;
        seek(first());
      }
      paused_ = !paused_;
      break;
    case ReplayKey::Back:
      anyShown_ = false;  // stepping back redraws from the answer found
      seek(clock_ - kStepMs);
      return;
    case ReplayKey::Forward:
      seek(clock_ + kStepMs);
      return;
    case ReplayKey::Home:
      anyShown_ = false;
      seek(first());
      return;
    case ReplayKey::End:
      seek(recording_.answers.back().ms);
      return;
    case ReplayKey::PreviousAnswer:
    case ReplayKey::NextAnswer: {
      paused_ = true;
      const auto& answers = recording_.answers;
      std::size_t index = shown_;
      if (key == ReplayKey::NextAnswer && index + 1 < answers.size()) ++index;
      if (key == ReplayKey::PreviousAnswer && index > 0) --index;
      anyShown_ = false;
      seek(answers[index].ms);
      // Answers of the same millisecond: land on the one asked for, not the last of them.
      if (shown_ != index) {
        shown_ = index;
        target_.showRecorded(recording_, index);
      }
      return;
    }
    case ReplayKey::Faster:
      speedQuarters_ = std::min(speedQuarters_ * 2, 32);
      break;
    case ReplayKey::Slower:
      speedQuarters_ = std::max(speedQuarters_ / 2, 1);
      break;
  }
  target_.showPosition();
}

WindowReplay::~WindowReplay() = default;

void WindowReplay::play(Recording recording) {
  replay_.reset();
  ReplayTarget& target = *this;
  replay_ = std::make_unique<Replay>(std::move(recording), replayTimer_, target);
  replay_->start();
}

void WindowReplay::onTimer() {
  if (replay_) replay_->onTimer();
}

void WindowReplay::key(ReplayKey key) {
  if (replay_) replay_->key(key);
}

std::string WindowReplay::positionText() const {
  if (!replay_) return {};
  std::string text = minutesSeconds(replay_->positionMs()) + " / " +
                     minutesSeconds(replay_->durationMs()) + "  " + replay_->speedText();
  if (replay_->paused()) text += "  пауза";
  return text;
}

std::string minutesSeconds(std::int64_t ms) {
  const std::int64_t seconds = ms / 1000;
  const std::string ss = std::to_string(seconds % 60);
  return std::to_string(seconds / 60) + ":" + (ss.size() < 2 ? "0" + ss : ss);
}

}  // namespace vortlen
