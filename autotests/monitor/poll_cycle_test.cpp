#include "poll_cycle.h"

#include <gtest/gtest.h>

#include <vector>

#include "ecu_services.h"
#include "fake_main_view.h"
#include "frame_codec.h"
#include "oem_text.h"
#include "scripted_port.h"
#include "simulated_bench.h"

namespace vortlen {
namespace {

using test::FakeTimer;

// The main window's polling against the simulated ECU, tick by tick.
class PollCycleTest : public test::SimulatedBenchTest {
 protected:
  PollCycleTest() { cycle.selectSet(1); }

  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) cycle.onPollTimer();
  }

  void tickIntoCycle() {
    tick(3);
    ASSERT_EQ(cycle.state(), PollState::Cycle);
  }

  EcuLink link{port};
  test::FakeMainView view;
  PollCycle cycle{link, timer, view};
  const LiveDisplay& display = cycle.display();
};

TEST_F(PollCycleTest, WalksThroughTheIntroductionIntoTheCycle) {
  const sim::Text& type = ecu.serviceText(0x51);
  const sim::Text& engine = ecu.serviceText(0x58);

  tick();
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x01});
  EXPECT_EQ(cycle.state(), PollState::ReadEcuType);
  EXPECT_EQ(display.texts[0], kConnectingText);

  tick();
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x51});
  EXPECT_EQ(display.texts[0], ecuText(type, 15));
  EXPECT_FALSE(display.texts[0].empty());
  EXPECT_EQ(cycle.state(), PollState::ReadEngine);

  tick();
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x58});
  EXPECT_EQ(display.texts[1], ecuText(engine, 15));
  EXPECT_EQ(cycle.state(), PollState::Cycle);

  tick();
  const SetRequest& request = parameterSet(1).request;
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>(request.begin(), request.end()));
  EXPECT_EQ(cycle.state(), PollState::Cycle);
  // The coolant slot shows the model's own coolant value.
  EXPECT_EQ(display.texts[2], std::to_string(static_cast<int>(ecu.value(0x1A)) - 40));
  for (std::size_t field = 2; field < kDisplayTexts; ++field) {
    EXPECT_FALSE(display.texts[field].empty()) << "field " << 1030 + field;
  }
  EXPECT_EQ(display.modeFlags, ecu.value(0x07) | (ecu.value(0x08) << 8));
  EXPECT_GE(view.refreshes, 1);
}

TEST_F(PollCycleTest, EveryStepReArmsTheTimerWith90MsWhateverTheResult) {
  tick(4);
  adapter.setOptions(test::adapterOff());
  tick(3);
  ASSERT_EQ(timer.starts.size(), 7u);
  for (int period : timer.starts) EXPECT_EQ(period, PollCycle::kStepPeriodMs);
  EXPECT_EQ(timer.stops, 7);
  EXPECT_EQ(view.pushes, 7 + 1);  // one more from the failure's clearing
}

TEST_F(PollCycleTest, ConnectFailuresShowTheLinkMessageAndRetryTheWakeUp) {
  adapter.setOptions(test::adapterOff());
  tick();
  EXPECT_EQ(display.texts[0], "Не включен адаптер");
  EXPECT_EQ(cycle.state(), PollState::Connect);
  adapter.setOptions(test::silentEcu());
  tick();
  EXPECT_EQ(display.texts[0], "Нет ответа ЭБУ");
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x01});
  port.close();
  tick();
  EXPECT_EQ(display.texts[0], "Порт не открыт");
  EXPECT_EQ(cycle.state(), PollState::Connect);
}

TEST_F(PollCycleTest, AFailedTypeReadIsAskedAgainWithoutReconnecting) {
  tick();
  adapter.setOptions(test::silentEcu());
  tick(2);
  EXPECT_EQ(cycle.state(), PollState::ReadEcuType);
  EXPECT_EQ(display.texts[0], kConnectingText);
  adapter.setOptions({});
  tick();
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x51});
  EXPECT_EQ(cycle.state(), PollState::ReadEngine);
}

TEST_F(PollCycleTest, AFailedEngineReadReconnectsWithoutClearing) {
  tick(2);
  const std::string type = display.texts[0];
  const int refreshes = view.refreshes;
  adapter.setOptions(test::badChecksum());
  tick();
  EXPECT_EQ(cycle.state(), PollState::Connect);
  EXPECT_EQ(display.texts[0], type);
  EXPECT_EQ(view.refreshes, refreshes);
}

TEST_F(PollCycleTest, ACycleFailureEmptiesTheLiveDisplayButKeepsTheEcuType) {
  tickIntoCycle();
  tick();
  ASSERT_FALSE(display.texts[5].empty());
  const std::string type = display.texts[0];
  link.ResponseBuffer()[200] = 0x55;

  adapter.setOptions(test::silentEcu());
  tick();
  EXPECT_EQ(cycle.state(), PollState::Connect);
  EXPECT_EQ(display.texts[0], type);
  for (std::size_t field = 1; field < kDisplayTexts; ++field) EXPECT_EQ(display.texts[field], "");
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_EQ(display.bars[slot], display.barMin[slot]) << "slot " << slot + 1;
  }
  EXPECT_EQ(display.modeFlags, 0);
  EXPECT_EQ(display.cylinderFlags, (std::array<std::uint8_t, 4>{}));
  EXPECT_EQ(link.ResponseBuffer()[200], 0);

  adapter.setOptions({});
  tick();
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>{0x01});
}

TEST_F(PollCycleTest, ANewSetIsRequestedFromTheNextTickWithItsBarsAtZero) {
  tickIntoCycle();
  tick();
  const std::string oldValue = display.texts[2];
  cycle.selectSet(3);
  EXPECT_EQ(view.setChanges, 2);
  EXPECT_EQ(display.captions[7], "Напряж.  в канале RDIA (вольт)");
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(display.bars[slot], 0);
  // The old values stay under the new captions until the new answer comes.
  EXPECT_EQ(display.texts[2], oldValue);
  tick();
  const SetRequest& request = parameterSet(3).request;
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>(request.begin(), request.end()));
}

// Crafted answers, through a port that plays them back.
class CraftedAnswerTest : public ::testing::Test {
 protected:
  void answer(std::vector<std::uint8_t> data) {
    std::uint8_t frame[600];
    const std::size_t length = encodeFrame(data.data(), data.size(), frame);
    port.chunk(frame, length);
  }

  test::ScriptedPort port;
  SharedPort shared{port};
  EcuLink link{shared};
  FakeTimer timer;
  test::FakeMainView view;
  PollCycle cycle{link, timer, view};
  const LiveDisplay& display = cycle.display();
};

TEST_F(CraftedAnswerTest, HeaderTextsStopAtZeroAndLoseTheirBlanks) {
  cycle.setState(PollState::ReadEcuType);
  answer({' ', ' ', 'A', 'B', 'C', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  cycle.onPollTimer();
  EXPECT_EQ(display.texts[0], "ABC");

  // Only the first 15 characters count; Cyrillic comes in code page 866.
  answer({0x8C, 0xA8, 0xAA, 0xA0, 0xE1, '-', '7', '.', '1', '2', '3', '4', '5', '6', '7', 'X'});
  cycle.setState(PollState::ReadEngine);
  cycle.onPollTimer();
  EXPECT_EQ(display.texts[1], "Микас-7.1234567");
}

TEST_F(CraftedAnswerTest, AShortHeaderAnswerShowsNothingAnEarlierAnswerLeft) {
  cycle.setState(PollState::ReadEcuType);
  answer({'M', 'I', 'K', 'A', 'S', ' ', '7', '.', '1'});
  cycle.onPollTimer();
  answer({'Z', 'M', 'Z'});
  cycle.onPollTimer();
  EXPECT_EQ(display.texts[1], "ZMZ");
}

TEST_F(CraftedAnswerTest, AShortSetAnswerFillsOnlyTheSlotsItCovers) {
  cycle.selectSet(1);
  cycle.setState(PollState::Cycle);
  answer({0x05, 0x00, 1, 0, 0, 1, 0x82, 154, 20, 0x19, 130, 0x2C, 0x01, 40, 0xB8, 0x0B});
  cycle.onPollTimer();
  ASSERT_EQ(display.texts[9], "500");
  EXPECT_EQ(display.texts[5], "12.5");
  EXPECT_EQ(display.bars[3], 25);
  EXPECT_EQ(display.modeFlags, 0x0005);
  EXPECT_EQ(display.cylinderFlags, (std::array<std::uint8_t, 4>{1, 0, 0, 1}));

  // Eight bytes: slots 1 and 2 only. The rest show nothing and their bars stay.
  answer({0x00, 0x01, 0, 0, 0, 0, 0x80, 150});
  cycle.onPollTimer();
  EXPECT_EQ(display.texts[2], "88");
  EXPECT_EQ(display.texts[3], "13.64");
  EXPECT_EQ(display.modeFlags, 0x0100);
  for (std::size_t field = 4; field < kDisplayTexts; ++field) EXPECT_EQ(display.texts[field], "");
  EXPECT_EQ(display.bars[3], 25);
  EXPECT_EQ(cycle.state(), PollState::Cycle);
}

TEST_F(CraftedAnswerTest, ANegativeAdvanceLeavesItsBarWhereItWas) {
  cycle.selectSet(1);
  cycle.setState(PollState::Cycle);
  answer({0, 0, 0, 0, 0, 0, 0x82, 154, 20, 0x19, 130, 0x2C, 0x01, 40, 0xB8, 0x0B});
  cycle.onPollTimer();
  answer({0, 0, 0, 0, 0, 0, 0x82, 154, 20, 0xF6, 130, 0x2C, 0x01, 40, 0xB8, 0x0B});
  cycle.onPollTimer();
  EXPECT_EQ(display.texts[5], "-5");
  EXPECT_EQ(display.bars[3], 25);
}

}  // namespace
}  // namespace vortlen
