#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "adjustment_logic.h"
#include "simulated_bench.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The slider windows on the simulated ECU, sharing one override mask as the program does.
class AdjustLogicTest : public test::SimulatedBenchTest {
 protected:
  // Puts values into the ECU's own memory as a store would, then leaves no override behind.
  void storeInEcu(std::uint8_t code, std::uint8_t value, std::uint8_t item) {
    ecu.answer(Bytes{0x62, code, value});
    ecu.answer(Bytes{0x62, 0x0E, 0x01, 0x7C, item});
    ecu.answer(Bytes{0x62, 0x0C, 0x00, 0x0E, 0x00});
  }

  std::size_t requestCount() const { return ecu.requests().size(); }
  void linkDown() { adapter.setOptions(test::adapterOff()); }

  std::uint8_t mask = 0;
  AdjustmentLogic co{AdjustmentKind::Co, port, notifier, mask};
  AdjustmentLogic ignition{AdjustmentKind::Ignition, port, notifier, mask};
  AdjustmentLogic coolant{AdjustmentKind::Coolant, port, notifier, mask};
  AdjustmentLogic idleValve{AdjustmentKind::IdleValve, port, notifier, mask};
};

TEST_F(AdjustLogicTest, CoWindowShowsTheTrimsTheEcuAnswers) {
  storeInEcu(0x41, 0xEC, 1);
  storeInEcu(0x42, 0x14, 2);
  co.onShow();
  EXPECT_EQ(lastRequest(), (Bytes{0x61, 0x41, 0x42}));
  EXPECT_EQ(co.position(0), -20);
  EXPECT_EQ(co.valueText(0), "-0.078");
  EXPECT_EQ(co.position(1), 20);
  EXPECT_EQ(co.valueText(1), "0.078");
  EXPECT_THAT(co.readValue(), ElementsAre(0xEC, 0x14));
}

TEST_F(AdjustLogicTest, ValueTextsFollowTheSliders) {
  struct Row {
    AdjustmentLogic* window;
    int position;
    const char* text;
  };
  const Row rows[] = {
      {&co, -64, "-0.25"},   {&co, 4, "0.016"},        {&co, 0, "0"},
      {&ignition, 4, "2"},   {&ignition, -3, "-1.5"},  {&coolant, 0, "-40"},
      {&coolant, 130, "90"}, {&idleValve, 255, "255"},
  };
  for (const Row& row : rows) {
    row.window->setPosition(0, row.position);
    EXPECT_EQ(row.window->valueText(0), row.text) << row.position;
  }
}

TEST_F(AdjustLogicTest, CoClosedUntouchedAsksNothingAndClearsTheOverride) {
  co.onShow();
  EXPECT_TRUE(co.onClose());
  EXPECT_THAT(notifier.questions, IsEmpty());
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0C, 0x00, 0x0E, 0x00}));
}

TEST_F(AdjustLogicTest, CoCancelKeepsTheWindowOpenAndSendsNothing) {
  co.onShow();
  co.setPosition(0, 8);
  co.onSliderReleased(0);
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0C, 0x18, 0x41, 0x08}));
  const std::size_t sent = requestCount();

  notifier.answers = {Answer::Cancel};
  EXPECT_FALSE(co.onClose());
  ASSERT_EQ(notifier.questions.size(), 1u);
  EXPECT_EQ(notifier.questions[0].text, "Записать СО на ХХ в память ЭБУ ? ");
  EXPECT_EQ(notifier.questions[0].caption, "Вортлен3");
  EXPECT_EQ(requestCount(), sent);
}

TEST_F(AdjustLogicTest, CoYesStoresTheTrimAndTheSecondQuestionFollows) {
  co.onShow();
  co.setPosition(0, 8);
  co.onSliderReleased(0);
  co.setPosition(1, -4);
  co.onSliderReleased(1);
  notifier.answers = {Answer::Yes, Answer::No};
  EXPECT_TRUE(co.onClose());
  ASSERT_EQ(notifier.questions.size(), 2u);
  EXPECT_EQ(notifier.questions[1].text, "Записать смещение СО в память ЭБУ ? ");
  const auto& log = ecu.requests();
  EXPECT_EQ(log[log.size() - 2], (Bytes{0x62, 0x0E, 0x01, 0x7C, 0x01}));
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0C, 0x00, 0x0E, 0x00}));
  // The ECU kept the upper trim only.
  EXPECT_EQ(ecu.value(0x41), 0x08);
  EXPECT_EQ(ecu.value(0x42), 0x00);
}

TEST_F(AdjustLogicTest, AnEcuValueOutsideTheRangeSitsAtTheEndAndIsOfferedForStoring) {
  storeInEcu(0x41, 0x50, 1);
  storeInEcu(0x42, 0xA0, 2);  // -96
  co.onShow();
  EXPECT_EQ(co.position(0), 64);
  EXPECT_EQ(co.position(1), -64);
  EXPECT_TRUE(co.onClose());
  EXPECT_EQ(notifier.questions.size(), 2u);
}

TEST_F(AdjustLogicTest, IgnitionShowsTheNegatedOffsetAndSendsTheAdvanceWithItsBit) {
  storeInEcu(0x28, 0xFC, 3);
  ignition.onShow();
  EXPECT_EQ(lastRequest(), (Bytes{0x61, 0x28, 0x26}));
  EXPECT_EQ(ignition.position(0), 4);
  EXPECT_EQ(ignition.valueText(0), "2");

  ignition.setPosition(1, 30);
  ignition.onSliderReleased(1);
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x04, 0x26, 0x1E}));
}

TEST_F(AdjustLogicTest, IgnitionSlidersExcludeEachOtherAndTheOffsetGoesNegated) {
  ignition.onShow();
  ignition.setPosition(1, 30);
  ignition.onSliderReleased(1);
  ignition.setPosition(0, -10);
  ignition.onSliderReleased(0);
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x08, 0x28, 0x0A}));
  ignition.setPosition(0, 4);
  ignition.onSliderReleased(0);
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x08, 0x28, 0xFC}));

  notifier.answers = {Answer::Yes};
  EXPECT_TRUE(ignition.onClose());
  ASSERT_EQ(notifier.questions.size(), 1u);
  EXPECT_EQ(notifier.questions[0].text, "Записать данные в память ЭБУ ? ");
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x00}));
  EXPECT_EQ(mask, 0);
  EXPECT_EQ(ecu.value(0x28), 0xFC);  // stored as item 3
}

TEST_F(AdjustLogicTest, AMaskWindowSendsTheBitsAnotherWindowSetAtItsShow) {
  idleValve.onShow();
  coolant.onShow();
  coolant.setPosition(0, 100);
  coolant.onSliderReleased(0);
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0xA0, 0x1A, 0x64}));

  EXPECT_TRUE(coolant.onClose());
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x20}));
  EXPECT_TRUE(idleValve.onClose());
  EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x00}));
  EXPECT_THAT(notifier.questions, IsEmpty());
}

TEST_F(AdjustLogicTest, WithTheLinkDownTheWindowsShowTheirFailurePositionsAndCloseWithoutAsking) {
  storeInEcu(0x41, 0x10, 1);
  co.onShow();
  ASSERT_EQ(co.position(0), 16);
  linkDown();

  coolant.onShow();
  EXPECT_EQ(coolant.position(0), 40);
  EXPECT_EQ(coolant.valueText(0), "0");
  EXPECT_EQ(mask, 0x80);

  co.onShow();
  EXPECT_EQ(co.position(0), 0);
  EXPECT_THAT(co.readValue(), ElementsAre(0x10, 0x00));  // the last good read is kept
  EXPECT_TRUE(co.onClose());
  EXPECT_THAT(notifier.questions, IsEmpty());
  EXPECT_THAT(notifier.messages, IsEmpty());
}

TEST_F(AdjustLogicTest, ReleaseFailuresAndRefusalsAreReportedWithTheWindowsTexts) {
  struct Row {
    AdjustmentLogic* window;
    const char* refusal;
  };
  ecu.setRefusal(5);
  for (const Row& row : {Row{&co, "ЭБУ не может выполнить операцию "},
                         Row{&idleValve, "ЭБУ не может выполнить операцию! "}}) {
    notifier.messages.clear();
    row.window->onSliderReleased(0);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, row.refusal);
    EXPECT_EQ(notifier.messages[0].caption, "Вортлен3 ошибка");
    EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
  }
  ecu.setRefusal(0);
  linkDown();
  notifier.messages.clear();
  ignition.onSliderReleased(1);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "Не включен адаптер");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
}

TEST(AdjustPlacementTest, WindowsPlaceThemselvesFromTheMainWindowsClientArea) {
  EXPECT_EQ(adjustmentPlacement(AdjustmentKind::Co, 1000, 700, 10, 20),
            (ScreenRect{518 + 10, 308 + 20, 320, 97}));
  EXPECT_EQ(adjustmentPlacement(AdjustmentKind::Ignition, 1000, 700, 0, 0),
            (ScreenRect{518, 179, 320, 97}));
  EXPECT_EQ(adjustmentPlacement(AdjustmentKind::Coolant, 1000, 719, 0, 5),
            (ScreenRect{518, 11 + 5, 320, 62}));
  EXPECT_EQ(adjustmentPlacement(AdjustmentKind::IdleValve, 1000, 700, 0, 0),
            (ScreenRect{518, 522, 320, 62}));
}

}  // namespace
}  // namespace vortlen
