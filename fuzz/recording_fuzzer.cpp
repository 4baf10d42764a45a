// Any bytes as a recording file: read, and what is read played from end to end with every key,
// so that the reader's checks are shown to keep the replay clock's arithmetic in range.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "graph_recording.h"
#include "main_recording.h"
#include "recording_file.h"
#include "replay.h"

namespace {

class NoTimer final : public vortlen::WindowTimer {
 public:
  void start(int) override {}
  void stop() override {}
  bool isRunning() const override { return false; }
};

class NoTarget final : public vortlen::ReplayTarget {
 public:
  void showRecorded(const vortlen::Recording& recording, std::size_t index) override {
    if (index >= recording.answers.size()) std::abort();
  }
  void showPosition() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<vortlen::RecordLayout> layouts = [] {
    std::vector<vortlen::RecordLayout> known(vortlen::mainRecordLayouts().begin(),
                                             vortlen::mainRecordLayouts().end());
    known.insert(known.end(), vortlen::graphRecordLayouts().begin(),
                 vortlen::graphRecordLayouts().end());
    return known;
  }();
  std::string error;
  const std::optional<vortlen::Recording> recording = vortlen::parseRecording(
      std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.csv", layouts, error);
  if (!recording) {
    if (error.empty()) std::abort();
    return 0;
  }
  const std::size_t length = recording->window == vortlen::RecordWindow::Main
                                 ? vortlen::mainRecordLayout(recording->set).answerLength
                                 : vortlen::graphRecordLayout(recording->set).answerLength;
  std::int64_t before = 0;
  for (const vortlen::RecordedAnswer& answer : recording->answers) {
    if (answer.length != length || answer.ms < before ||
        answer.ms > vortlen::kMaxRecordSeconds * 1000) {
      std::abort();
    }
    before = answer.ms;
  }
  NoTimer timer;
  NoTarget target;
  vortlen::Replay replay(*recording, timer, target);
  replay.start();
  for (const vortlen::ReplayKey key : {vortlen::ReplayKey::Faster, vortlen::ReplayKey::Forward,
                                       vortlen::ReplayKey::End, vortlen::ReplayKey::PauseResume,
                                       vortlen::ReplayKey::Back, vortlen::ReplayKey::PreviousAnswer,
                                       vortlen::ReplayKey::NextAnswer, vortlen::ReplayKey::Home}) {
    replay.key(key);
    replay.onTimer();
    if (replay.positionMs() < 0 || replay.positionMs() > replay.durationMs()) std::abort();
  }
  (void)vortlen::minutesSeconds(replay.durationMs());
  return 0;
}
