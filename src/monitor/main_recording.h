#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "poll_cycle.h"
#include "record_format.h"
#include "recorder.h"

namespace vortlen {

/// The files of a main-window recording of `set` (1..5): the time, the eight values with a
/// column for each half of a mode-point index, the sixteen mode flags, the four cylinders, the
/// answer. Built once; the reference stays valid.
const RecordLayout& mainRecordLayout(int set);

/// Those of every set.
std::span<const RecordLayout> mainRecordLayouts();

/// Hands the main window's good answers to the recorder, each as the window shows it.
class MainRecordFeed final : public SetAnswerObserver {
 public:
  explicit MainRecordFeed(Recorder& recorder) : recorder_(recorder) {}
  Recorder& recorder() { return recorder_; }
  void onSetAnswer(const LiveDisplay& display, std::span<const std::uint8_t> answer) override;

 private:
  Recorder& recorder_;
};

}  // namespace vortlen
