#include <gtest/gtest.h>

#include "actuator_fixture.h"
#include "actuator_logic.h"

namespace vortlen::test {
namespace {

const Bytes kStartWrite = {0x62, 0x0A, 0x1F, 0x09, 0x02, 0x0B, 0x00};
const Bytes kStopWrite = {0x62, 0x0A, 0x00, 0x0B, 0x00};
const Bytes kMeasureRead = {0x61, 0x2C, 0x5C};
const Bytes kHoldRead = {0x61, 0x26, 0x5C};

Bytes applyWrite(std::uint8_t position) {
  return {0x62, 0x0B, 0x20, 0x5B, position};
}

class BalanceTest : public ActuatorTest {
 protected:
  /// "Старт" with the target text, the start write and the seven settle ticks: the next tick
  /// measures.
  void startAndSettle(const std::string& target) {
    logic.setBalanceText(kTargetCombo, target);
    logic.onStartClicked();
    tick();
    ASSERT_EQ(ecu.lastRequest(), kStartWrite);
    ASSERT_EQ(logic.balanceStep(), BalanceStep::Settle);
    tick(7);
    ASSERT_EQ(logic.balanceStep(), BalanceStep::Measure);
  }

  /// Measures speed byte s and position q, then applies: returns the position sent.
  std::uint8_t measureAndApply(std::uint8_t speed, std::uint8_t position) {
    ecu.answers[kMeasureRead] = {speed, position};
    tick();
    EXPECT_EQ(logic.balanceStep(), BalanceStep::Apply);
    tick();
    const Bytes sent = ecu.lastRequest();
    EXPECT_EQ(sent.size(), 5u);
    return sent.size() == 5 ? sent[4] : 0;
  }
};

TEST_F(BalanceTest, ThePositionScalesWithTheTargetOverTheMeasuredSpeedWithinItsLimits) {
  const struct {
    std::uint8_t speed, position;
    const char* target;
    std::uint8_t sent;
  } rows[] = {
      {80, 50, "1000", 62},           // 50 × 1000 ÷ 800, request 62 0B 20 5B 3E
      {100, 30, "900", 40},           // 27, raised to the lowest position
      {50, 200, "1300", 255},         // 520, lowered to the highest
      {80, 50, "об/мин", 40},         // no digits: target 0
      {80, 50, "-900", 40},           // a mistyped sign must not open the regulator fully
      {1, 255, "999999999", 255},     // the product needs more than 32 bits
      {80, 50, " 1100rpm", 68},       // the leading number of the text
      {255, 255, "1000000000", 255},  // only nine characters count: 100000000
  };
  open();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.target);
    startAndSettle(row.target);
    EXPECT_EQ(measureAndApply(row.speed, row.position), row.sent);
    EXPECT_EQ(logic.idleTarget(), row.sent);
    EXPECT_EQ(logic.balanceStep(), BalanceStep::Hold);
    EXPECT_TRUE(display.warningVisible);
    logic.onStopClicked();
  }
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(BalanceTest, TheStepsSendTheirRequestsInOrder) {
  open();
  logic.setBalanceText(kTargetCombo, "1000");
  logic.onStartClicked();
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Start);
  EXPECT_TRUE(ecu.requests.size() == 1) << "the click itself sends nothing";
  ecu.requests.clear();
  tick(1 + 7);
  ecu.answers[kMeasureRead] = {80, 50};
  ecu.answers[kHoldRead] = {0x1F, 61};
  tick(3);
  std::vector<Bytes> expected = {kStartWrite};
  for (int i = 0; i < 7; ++i) expected.push_back({0x61, 0x1A, 0x2C});
  expected.push_back(kMeasureRead);
  expected.push_back(applyWrite(0x3E));
  expected.push_back(kHoldRead);
  EXPECT_EQ(ecu.requests, expected);
  EXPECT_EQ(logic.relayBits(), 0x02);
  // Hold shows the advance in whole degrees and the regulator position.
  EXPECT_EQ(display.coolantText, "15");
  EXPECT_EQ(display.speedText, "61");

  logic.onStopClicked();
  EXPECT_EQ(ecu.lastRequest(), kStopWrite);
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Monitor);
  EXPECT_FALSE(display.warningVisible);
}

TEST_F(BalanceTest, HoldShowsANegativeAdvanceAsTheSignedAngle) {
  const struct {
    std::uint8_t raw;
    const char* shown;
  } rows[] = {{0x1F, "15"}, {0x00, "0"}, {0xF6, "-5"}, {0xF5, "-5"}, {0x80, "-64"}, {0x7F, "63"}};
  open();
  startAndSettle("1000");
  measureAndApply(80, 50);
  for (const auto& row : rows) {
    ecu.answers[kHoldRead] = {row.raw, 200};
    tick();
    EXPECT_EQ(display.coolantText, row.shown) << int{row.raw};
    EXPECT_EQ(display.speedText, "200");
  }
}

TEST_F(BalanceTest, SettleShowsTheMonitorButLeavesTheControlsAlone) {
  open();
  ecu.ecuAnswers = false;
  tick();
  ASSERT_FALSE(display.controlsEnabled);
  ecu.ecuAnswers = true;
  logic.onStartClicked();
  tick(2);
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Settle);
  EXPECT_EQ(display.coolantText, "90");
  EXPECT_FALSE(display.controlsEnabled);

  // A failed settle read keeps the figures and still counts.
  ecu.ecuAnswers = false;
  tick(6);
  EXPECT_EQ(display.coolantText, "90");
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Measure);
}

TEST_F(BalanceTest, SpeedZeroStopsTheTestAndSaysSo) {
  open();
  startAndSettle("1000");
  log.clear();
  ecu.answers[kMeasureRead] = {0, 50};
  tick();
  // The box waits for the tick to return, and the timer runs on.
  EXPECT_EQ(log, EventLog({"request 61 2C 5C", "request 62 0A 00 0B 00"}));
  EXPECT_TRUE(timer.isRunning());
  ASSERT_EQ(view.laterMessages.size(), 1u);
  EXPECT_EQ(view.laterMessages[0].text, "Тест прерван обороты=0 ");
  EXPECT_EQ(view.laterMessages[0].caption, "Вортлен3");
  EXPECT_EQ(view.laterMessages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Monitor);
  EXPECT_FALSE(display.warningVisible);
  tick();
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x61, 0x1A, 0x2C}));
}

TEST_F(BalanceTest, FailuresOfStartMeasureAndApply) {
  open();
  // Start: back to the monitor without a word.
  ecu.ecuAnswers = false;
  logic.onStartClicked();
  tick();
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Monitor);
  EXPECT_TRUE(notifier.messages.empty());

  // Measure: tried again on the next tick.
  ecu.ecuAnswers = true;
  startAndSettle("1000");
  ecu.ecuAnswers = false;
  tick(2);
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Measure);
  EXPECT_TRUE(notifier.messages.empty());

  // Apply: a failure is told and the write goes again; a refusal is told and moves on.
  ecu.ecuAnswers = true;
  ecu.answers[kMeasureRead] = {80, 50};
  tick();
  ecu.ecuAnswers = false;
  log.clear();
  tick();
  EXPECT_EQ(log, EventLog({"timer stop", "request 62 0B 20 5B 3E", "message Нет ответа ЭБУ",
                           "timer start 90"}));
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Apply);
  ecu.ecuAnswers = true;
  ecu.completion = 3;
  tick();
  EXPECT_EQ(ecu.lastRequest(), applyWrite(0x3E));
  EXPECT_EQ(notifier.messages.back().text, "ЭБУ не может выполнить операцию ");
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Hold);
}

TEST_F(BalanceTest, ASecondRunSendsThePositionOfThatRun) {
  open();
  startAndSettle("1000");
  EXPECT_EQ(measureAndApply(80, 50), 62);
  // "Старт" again while holding: the procedure starts over.
  startAndSettle("1200");
  EXPECT_EQ(measureAndApply(100, 70), 84);
}

TEST_F(BalanceTest, AfterATestARelayBoxStartsFromTheFanOnly) {
  ecu.answers[{0x61, 0x09, 0x0D}] = {0x19, 0x00};  // lamp, pump and idle cut-off valve on
  open();
  startAndSettle("1000");
  measureAndApply(80, 50);
  logic.onStopClicked();
  // The boxes still show what the ECU said; the byte is the test's.
  EXPECT_EQ(display.relayChecked[0], true);
  logic.onRelayClicked(2, true);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x06}));
  logic.onRelayClicked(1, false);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x04}));
}

TEST_F(BalanceTest, StopIsAcceptedInTheMonitorToo) {
  open();
  logic.onStopClicked();
  EXPECT_EQ(ecu.lastRequest(), kStopWrite);
  EXPECT_EQ(logic.balanceStep(), BalanceStep::Monitor);
}

TEST_F(BalanceTest, TheChoicesAreShownOnEveryShowingAndStoredAsTheirLeadingNumbers) {
  EXPECT_TRUE(settings.values.empty());
  open();
  EXPECT_EQ(display.balanceTexts, (std::array<std::string, 3>{"1000", "30", "30"}));

  logic.setBalanceText(kTargetCombo, "1100");
  logic.setBalanceText(kCyclesCombo, "50 циклов");
  logic.setBalanceText(kImbalanceCombo, "нет");
  logic.onClose();
  EXPECT_EQ(settings.values["Механизмы/Обороты"], 1100u);
  EXPECT_EQ(settings.values["Механизмы/Циклы"], 50u);
  EXPECT_EQ(settings.values["Механизмы/Дисбаланс"], 0u);

  // The window opened again shows them.
  ActuatorLogic again{{shared, timer, notifier, sleeper, settings, view}};
  again.initialise();
  again.onShow();
  EXPECT_EQ(again.display().balanceTexts, (std::array<std::string, 3>{"1100", "50", "0"}));
  EXPECT_EQ(view.textShows, 2);
}

TEST(BalancedIdlePosition, KeepsWithinTheRegulatorsRangeForAnyTarget) {
  EXPECT_EQ(balancedIdlePosition(50, 80, 1000), 62);
  EXPECT_EQ(balancedIdlePosition(255, 1, 2147483647), 255);
  EXPECT_EQ(balancedIdlePosition(255, 1, -2147483647 - 1), 40);
  EXPECT_EQ(balancedIdlePosition(0, 80, 1000), 40);
  EXPECT_EQ(balancedIdlePosition(64, 80, 1000), 80);  // exact: 64 × 1000 ÷ 800
  EXPECT_EQ(balancedIdlePosition(63, 80, 1000), 78);  // 78.75 truncated
}

}  // namespace
}  // namespace vortlen::test
