#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "graph_logic.h"
#include "record_format.h"
#include "recorder.h"

namespace vortlen {

/// The files of a graph-view recording of `set` (1..4): the time, the seven traces with the
/// units the main window gives the same codes, the answer. Built once; the reference stays
/// valid.
const RecordLayout& graphRecordLayout(int set);

/// Those of every set.
std::span<const RecordLayout> graphRecordLayouts();

/// Hands the graph view's good answers to the recorder, each as the view shows it.
class GraphRecordFeed final : public GraphAnswerObserver {
 public:
  explicit GraphRecordFeed(Recorder& recorder) : recorder_(recorder) {}
  void onGraphAnswer(int set, const std::array<std::string, kTraceCount>& values,
                     std::span<const std::uint8_t> answer) override;

 private:
  Recorder& recorder_;
};

}  // namespace vortlen
