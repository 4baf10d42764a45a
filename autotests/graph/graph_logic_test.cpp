#include "graph_logic.h"

#include <gtest/gtest.h>

#include <memory>

#include "adapter_model.h"
#include "graph_ids.h"
#include "scripted_ecu.h"
#include "simulated_bench.h"
#include "simulated_port.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::ScriptedEcu;

class RecordingView final : public GraphView {
 public:
  void pushTexts() override { ++pushes; }
  void render() override {
    renders.push_back(logic->activeMask());
    pointCounts.push_back(logic->pointCount());
  }
  void drawErrorText(std::string_view text, int x, int y) override {
    errors.push_back({std::string(text), x, y});
  }
  void present() override { ++presents; }
  void endDialog() override { ++ends; }

  struct Error {
    std::string text;
    int x, y;
  };
  const GraphLogic* logic = nullptr;
  int pushes = 0, presents = 0, ends = 0;
  std::vector<std::uint8_t> renders;  // the enlarged-value mask each render drew with
  std::vector<std::uint32_t> pointCounts;
  std::vector<Error> errors;
};

constexpr int kScreenW = 800;
constexpr int kClientW = 800;
constexpr int kClientH = 706;  // H7 = 700, band = 100, strips of 97 pixels

class GraphLogicTest : public ::testing::Test {
 protected:
  GraphLogicTest() { shared.openPort(1); }

  GraphLogic& open() {
    logic = std::make_unique<GraphLogic>(
        GraphLogic::Services{shared, timer, notifier, settings, view}, kScreenW, 600);
    view.logic = logic.get();
    logic->setClientSize(kClientW, kClientH);
    logic->start();
    return *logic;
  }

  /// One tick answered with a set-1 answer whose first trace is `pressure`.
  void tickSet1(std::uint16_t pressure, std::uint8_t advance = 0x19) {
    port.answer({static_cast<std::uint8_t>(pressure), static_cast<std::uint8_t>(pressure >> 8), 20,
                 advance, 0, 0, 0, 0});
    logic->onTimer();
  }

  void failedTick() {
    port.silence();
    logic->onTimer();
  }

  ScriptedEcu port;
  SharedPort shared{port};
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
  RecordingView view;
  std::unique_ptr<GraphLogic> logic;
};

TEST_F(GraphLogicTest, AFailedPollLeavesNeitherGapNorRepeat) {
  open();
  tickSet1(100);
  tickSet1(200);
  failedTick();
  failedTick();
  tickSet1(300);
  tickSet1(400);
  const TraceHistory& history = logic->history();
  EXPECT_EQ(history.at(0, 0), 400u);
  EXPECT_EQ(history.at(0, 1), 300u);
  EXPECT_EQ(history.at(0, 2), 200u);
  EXPECT_EQ(history.at(0, 3), 100u);
  EXPECT_EQ(logic->sampleCount(), 4u);
}

TEST_F(GraphLogicTest, TracesAppearOnlyFromTheSecondGoodSample) {
  open();
  EXPECT_EQ(view.pointCounts.back(), 0u);  // the grid of the opening
  failedTick();
  tickSet1(100);
  EXPECT_EQ(view.pointCounts.back(), 1u) << "one vertex draws no line";
  failedTick();
  EXPECT_EQ(view.pointCounts.back(), 1u);
  tickSet1(100);
  EXPECT_EQ(view.pointCounts.back(), 2u);
}

TEST_F(GraphLogicTest, VertexHeightsStayInsideTheirStrip) {
  open();
  struct Row {
    std::uint16_t pressure;
    std::int32_t y;  // strip 0 runs from 0 (the divisor 2000) down to 97 (zero)
  };
  for (const Row row :
       {Row{0, 97}, Row{1000, 49}, Row{1999, 1}, Row{2000, 0}, Row{2001, 0}, Row{0xFFFF, 0}}) {
    tickSet1(row.pressure);
    EXPECT_EQ(logic->points(0)[0].y, row.y) << "pressure " << row.pressure;
  }
  // The advance byte 0xF6 is 123 degrees here, over the divisor 120: the top of strip 2.
  tickSet1(0, 0xF6);
  EXPECT_EQ(logic->valueText(2), "123");
  EXPECT_EQ(logic->points(2)[0].y, 2 * 100);
  tickSet1(0, 0x19);
  EXPECT_EQ(logic->valueText(2), "12.5");
  // The engine speed byte 20 is 800 rpm; 20 of 140 in strip 1: 97 × 20 / 140 = 13 above zero.
  EXPECT_EQ(logic->valueText(1), "800");
  EXPECT_EQ(logic->points(1)[0].y, 2 * 97 + 3 - 13);
}

TEST_F(GraphLogicTest, SettingsAreMadeValidOnReadAndWrittenOnClose) {
  struct Row {
    std::uint32_t nabor, lenLine, maxText1;
    int set, length;
    std::uint8_t mask;
  };
  for (const Row row : {Row{0, 0, 0xFF, 1, 4, 0x7F}, Row{5, 21, 0x80, 1, 4, 0},
                        Row{4, 20, 0x41, 4, 20, 0x41}, Row{3, 1, 0, 3, 1, 0}}) {
    settings.values = {{"График/Nabor", row.nabor},
                       {"График/LenLine", row.lenLine},
                       {"График/MaxText1", row.maxText1},
                       {"График/Face", 2}};
    open();
    EXPECT_EQ(logic->activeSet(), row.set);
    EXPECT_EQ(logic->lineLength(), row.length);
    EXPECT_EQ(logic->settings().enlargedMask[0], row.mask);
    EXPECT_FALSE(logic->blackOnWhite()) << "only bit 0 of Face counts";
    logic->onChar(U'-');
    logic.reset();
    EXPECT_EQ(settings.values["График/Nabor"], static_cast<std::uint32_t>(row.set));
    EXPECT_EQ(settings.values["График/LenLine"],
              static_cast<std::uint32_t>(row.length > 1 ? row.length - 1 : 1));
    EXPECT_EQ(settings.values["График/MaxText1"], row.mask);
    EXPECT_EQ(settings.values["График/Face"], 0u);
  }
}

TEST_F(GraphLogicTest, SelectingTheActiveSetAgainKeepsTheTraces) {
  open();
  tickSet1(100);
  tickSet1(200);
  logic->command(ids::kCmdGraphSet1);
  EXPECT_EQ(logic->sampleCount(), 2u);
  logic->command(ids::kCmdGraphSet3);
  EXPECT_EQ(logic->activeSet(), 3);
  EXPECT_EQ(logic->sampleCount(), 0u);
  EXPECT_EQ(logic->captionText(1), "АбсДавл V");
  port.answer({0, 128, 0, 0, 0, 0, 255});
  logic->onTimer();
  const std::vector<std::uint8_t> set3Frame = {0x61, 0x64, 0x67, 0x61, 0x62, 0x69, 0x4D, 0x65};
  ASSERT_GE(port.requests.back().size(), set3Frame.size());
  EXPECT_TRUE(std::equal(set3Frame.begin(), set3Frame.end(), port.requests.back().begin()));
  EXPECT_EQ(logic->valueText(1), "2.51");
  EXPECT_EQ(logic->valueText(6), "5");
}

TEST_F(GraphLogicTest, LineLengthKeysStopAtTheirLimits) {
  settings.values = {{"График/LenLine", 2}};
  open();
  EXPECT_TRUE(logic->onChar(U'-'));
  EXPECT_FALSE(logic->onChar(U'-')) << "at 1 the key goes on to the dialog";
  EXPECT_EQ(logic->lineLength(), 1);
  for (int i = 0; i < 19; ++i) EXPECT_TRUE(logic->onChar(i % 2 ? U'+' : U'='));
  EXPECT_FALSE(logic->onChar(U'+'));
  EXPECT_EQ(logic->lineLength(), 20);
  EXPECT_EQ(logic->points(6)[3].x, 60);
  EXPECT_FALSE(logic->onChar(U'\r'));
}

TEST_F(GraphLogicTest, StopKillsTheTimerAndChangesShowAtOnce) {
  open();
  ASSERT_EQ(timer.starts, std::vector<int>{90});
  tickSet1(100);
  EXPECT_EQ(timer.starts.back(), 90);
  logic->command(ids::kCmdGraphStop);
  EXPECT_TRUE(logic->stopped());
  EXPECT_FALSE(timer.isRunning());
  const int presents = view.presents;
  logic->onValueClicked(3);
  EXPECT_EQ(view.renders.back(), 0x08);
  logic->command(ids::kCmdBlackOnWhite);
  logic->onChar(U'+');
  EXPECT_EQ(view.presents, presents + 3) << "a click, a view and a key each show at once";
  logic->command(ids::kCmdGraphStop);
  EXPECT_TRUE(timer.isRunning());
  EXPECT_EQ(timer.period(), 90);
  logic->onValueClicked(3);
  EXPECT_EQ(logic->settings().enlargedMask[0], 0);
}

TEST_F(GraphLogicTest, ALinkFailureIsDrawnWithoutEnlargedValues) {
  settings.values = {{"График/MaxText1", 0x05}};
  open();
  tickSet1(100);
  failedTick();
  EXPECT_EQ(view.renders.back(), 0) << "the failure frame hides the enlarged values";
  EXPECT_EQ(logic->activeMask(), 0x05);
  ASSERT_EQ(view.errors.size(), 1u);
  EXPECT_EQ(view.errors[0].text, "Нет ответа ЭБУ");
  EXPECT_EQ(view.errors[0].x, (800 - 80 + 1) / 2);
  EXPECT_EQ(view.errors[0].y, 290);
  EXPECT_EQ(logic->valueText(0), "100") << "the values keep the last good answer";
  EXPECT_TRUE(timer.isRunning());
}

TEST_F(GraphLogicTest, HelpAndCloseCommands) {
  open();
  logic->command(ids::kCmdGraphHelp);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].caption, " Вортлен 3  Help");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::None);
  logic->command(ids::kCmdGraphClose);
  EXPECT_EQ(view.ends, 1);
}

using GraphOnTheSimulatedEngine = test::SimulatedBenchTest;

// Five minutes on the simulated engine: the traces have something to show.
TEST_F(GraphOnTheSimulatedEngine, SpeedHuntsAndKnockComesNowAndThen) {
  RecordingView view;
  GraphLogic logic({port, timer, notifier, settings, view}, 800, 600);
  view.logic = &logic;
  logic.setClientSize(800, 706);
  logic.start();
  std::uint32_t slowest = 255, fastest = 0, knock = 0;
  for (int tick = 0; tick < 5 * 60 * 1000 / 100; ++tick) {
    simulated.wait(std::chrono::milliseconds(90));
    logic.onTimer();
    ASSERT_TRUE(view.errors.empty()) << view.errors.front().text;
    const std::uint32_t speed = logic.history().at(1, 0);
    if (tick > 100) {  // past the start
      slowest = std::min(slowest, speed);
      fastest = std::max(fastest, speed);
    }
    for (std::size_t k = 3; k < kTraceCount; ++k) knock = std::max(knock, logic.history().at(k, 0));
  }
  EXPECT_GE(slowest * 40, 600u);
  EXPECT_LE(slowest * 40, 1000u) << "the idle speed";
  EXPECT_GT(fastest, slowest) << "the speed moves";
  EXPECT_GT(knock, 0u) << "some throttle blip knocks";
}

struct TextRow {
  TraceText rule;
  std::uint32_t raw;
  const char* text;
};

class TraceTextTest : public ::testing::TestWithParam<TextRow> {};

TEST_P(TraceTextTest, FormatsAndTrimsAsTheRuleSays) {
  EXPECT_EQ(traceText(GetParam().rule, GetParam().raw), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TraceTextTest,
    ::testing::Values(
        TextRow{TraceText::Unsigned, 100, "100"},  // "%u" is never trimmed
        TextRow{TraceText::TimesForty, 25, "1000"}, TextRow{TraceText::HalfDegrees, 24, "12"},
        TextRow{TraceText::HalfDegrees, 0, "0"}, TextRow{TraceText::HalfDegrees, 255, "127.5"},
        TextRow{TraceText::Gbc, 600, "100"},  // 100.02, no trimming
        TextRow{TraceText::Mixture, 128, "1"}, TextRow{TraceText::Mixture, 1, "0.504"},
        TextRow{TraceText::Injection, 1250, "10"}, TextRow{TraceText::AirFlow, 105, "10.5"},
        TextRow{TraceText::Volts, 255, "5"}, TextRow{TraceText::Volts, 0, "0"}));

}  // namespace
}  // namespace vortlen
