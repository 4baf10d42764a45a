// A recording played back through a fake timer: positions, keys, speeds, and the main window's
// replay, during which nothing goes to the port.
#include <gtest/gtest.h>

#include "graph_ids.h"
#include "graph_replay.h"
#include "main_replay.h"
#include "replay.h"
#include "scripted_port.h"
#include "shared_port.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

// Answers at 0, 100, ..., 29 900 ms; byte 0 numbers them.
Recording recordingOf(int set, int count) {
  Recording recording;
  recording.path = "/tmp/a.csv";
  recording.set = set;
  for (int i = 0; i < count; ++i) {
    RecordedAnswer answer;
    answer.ms = 1000 + 100 * i;
    answer.length = static_cast<std::uint8_t>(parameterSet(set).answerLength);
    answer.bytes[6] = static_cast<std::uint8_t>(i);
    recording.answers.push_back(answer);
  }
  return recording;
}

class Shown final : public ReplayTarget {
 public:
  void showRecorded(const Recording&, std::size_t index) override { indices.push_back(index); }
  void showPosition() override { ++positions; }
  std::vector<std::size_t> indices;
  int positions = 0;
};

TEST(ReplayTest, TicksKeysAndSpeeds) {
  test::FakeTimer timer;
  Shown shown;
  Replay replay(recordingOf(1, 300), timer, shown);
  replay.start();
  EXPECT_EQ(timer.period(), Replay::kTickMs);
  EXPECT_EQ(shown.indices, (std::vector<std::size_t>{0}));

  // 40 ms a tick at ×1: a new answer every 100 ms, each shown once.
  for (int i = 0; i < 5; ++i) replay.onTimer();
  EXPECT_EQ(replay.positionMs(), 200);
  EXPECT_EQ(shown.indices, (std::vector<std::size_t>{0, 1, 2}));

  replay.key(ReplayKey::Faster);
  replay.key(ReplayKey::Faster);
  replay.key(ReplayKey::Faster);
  replay.key(ReplayKey::Faster);  // ×8 at most
  EXPECT_EQ(replay.speedText(), "×8");
  replay.onTimer();
  EXPECT_EQ(replay.positionMs(), 520);
  for (int i = 0; i < 6; ++i) replay.key(ReplayKey::Slower);
  EXPECT_EQ(replay.speedText(), "×1/4");
  replay.onTimer();
  EXPECT_EQ(replay.positionMs(), 530);

  replay.key(ReplayKey::Forward);
  EXPECT_EQ(replay.positionMs(), 10'530);
  EXPECT_EQ(shown.indices.back(), 105u);
  replay.key(ReplayKey::Back);
  replay.key(ReplayKey::Back);
  EXPECT_EQ(replay.positionMs(), 0);
  EXPECT_EQ(shown.indices.back(), 0u);

  replay.key(ReplayKey::PauseResume);
  replay.onTimer();
  EXPECT_TRUE(replay.paused());
  EXPECT_EQ(replay.positionMs(), 0);
  replay.key(ReplayKey::NextAnswer);
  replay.key(ReplayKey::NextAnswer);
  replay.key(ReplayKey::PreviousAnswer);
  EXPECT_EQ(shown.indices.back(), 1u);

  // Playing into the end pauses on the last answer; Space then starts from the beginning.
  replay.key(ReplayKey::PauseResume);
  replay.key(ReplayKey::End);
  EXPECT_EQ(shown.indices.back(), 299u);
  EXPECT_FALSE(replay.paused());
  replay.onTimer();
  EXPECT_TRUE(replay.paused());
  replay.key(ReplayKey::PauseResume);
  EXPECT_FALSE(replay.paused());
  EXPECT_EQ(shown.indices.back(), 0u);
  replay.onTimer();
  replay.key(ReplayKey::Home);
  EXPECT_EQ(replay.positionMs(), 0);
}

class NoView final : public LiveView {
 public:
  void pushTexts() override { ++pushes; }
  void refreshIndicators() override {}
  void setChanged() override {}
  int pushes = 0;
};

TEST(ReplayTest, TheMainWindowShowsTheRecordingWithThePollingStoppedAndSendsNothing) {
  test::ScriptedPort port;
  SharedPort shared{port};
  EcuLink link{shared};
  test::FakeTimer pollTimer;
  test::FakeTimer replayTimer;
  NoView view;
  PollCycle poll(link, pollTimer, view);
  poll.selectSet(2);
  poll.setState(PollState::Cycle);
  poll.display().texts[0] = "МИКАС 7.1";
  poll.display().texts[1] = "ЗМЗ-4062.10";
  pollTimer.start(90);

  MainReplay replay(poll, pollTimer, replayTimer, view);
  replay.begin(recordingOf(1, 50));
  EXPECT_FALSE(pollTimer.isRunning());
  EXPECT_TRUE(replayTimer.isRunning());
  EXPECT_EQ(poll.display().activeSet, 1);
  // Byte 6 is the coolant: raw 0 shows -40.
  EXPECT_EQ(poll.display().texts[2], "-40");
  EXPECT_EQ(poll.display().texts[0], "Запись, не автомобиль");
  for (int i = 0; i < 10; ++i) replay.onTimer();
  EXPECT_EQ(poll.display().texts[2], "-36");
  EXPECT_EQ(poll.display().texts[1], "0:00 / 0:04");
  EXPECT_EQ(replay.positionText(), "0:00 / 0:04  ×1");

  replay.end();
  EXPECT_EQ(port.writtenLength, 0u);
  EXPECT_EQ(poll.display().activeSet, 2);
  EXPECT_EQ(poll.display().texts[0], "МИКАС 7.1");
  EXPECT_EQ(poll.state(), PollState::Cycle);
  EXPECT_FALSE(replayTimer.isRunning());
  EXPECT_EQ(pollTimer.starts.back(), PollCycle::kStepPeriodMs);
}

class NoGraphView final : public GraphView {
 public:
  void pushTexts() override {}
  void render() override {}
  void drawErrorText(std::string_view, int, int) override {}
  void present() override { ++presents; }
  void endDialog() override {}
  int presents = 0;
};

TEST(ReplayTest, TheGraphViewDrawsTheRecordingWithItsPollingPausedAndSendsNothing) {
  test::ScriptedPort port;
  SharedPort shared{port};
  test::FakeTimer timer;
  test::FakeTimer replayTimer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
  NoGraphView view;
  GraphLogic logic({shared, timer, notifier, settings, view}, 400, 300);
  logic.setClientSize(400, 280);
  logic.start();
  logic.command(ids::kCmdGraphSet2);

  Recording recording;
  recording.window = RecordWindow::Graph;
  recording.set = 1;
  for (int i = 0; i < 400; ++i) {
    RecordedAnswer answer;
    answer.ms = 100 * i;
    answer.length = 8;
    answer.bytes[2] = static_cast<std::uint8_t>(i);  // the engine speed, × 40
    recording.answers.push_back(answer);
  }
  GraphReplay replay(logic, replayTimer);
  replay.begin(recording);
  EXPECT_FALSE(timer.isRunning());
  EXPECT_EQ(logic.activeSet(), 1);
  logic.onTimer();  // a tick already queued sends nothing
  logic.command(ids::kCmdGraphSet3);
  EXPECT_EQ(logic.activeSet(), 1);
  for (int i = 0; i < 5; ++i) replay.onTimer();
  EXPECT_EQ(logic.valueText(1), "80");
  EXPECT_EQ(logic.sampleCount(), 3u);
  // A jump draws the trail that led there, once.
  const int presents = view.presents;
  replay.key(ReplayKey::Forward);
  EXPECT_EQ(logic.valueText(1), std::to_string(102 * 40));
  EXPECT_EQ(logic.sampleCount(), 103u);
  EXPECT_EQ(logic.history().at(1, 2), 100u);
  EXPECT_EQ(view.presents, presents + 1);

  replay.end();
  EXPECT_EQ(port.writtenLength, 0u);
  EXPECT_EQ(logic.activeSet(), 2);
  EXPECT_EQ(logic.sampleCount(), 0u);
  EXPECT_TRUE(timer.isRunning());
}

}  // namespace
}  // namespace vortlen
