#include "fuel_tables_logic.h"

#include <gtest/gtest.h>

#include "scripted_ecu.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::Bytes;

class CountingView final : public FuelTablesView {
 public:
  void showCells() override { ++shown; }
  int shown = 0;
};

Bytes table(std::uint8_t first, std::uint8_t rest) {
  Bytes bytes(256, rest);
  bytes[0] = first;
  return bytes;
}

class FuelTablesLogicTest : public ::testing::Test {
 protected:
  test::EventLog log;
  test::ScriptedEcu ecu;
  SharedPort port{ecu};
  test::FakeTimer timer{&log};
  test::FakeNotifier notifier{&log};
  CountingView view;
  FuelTablesLogic logic{{port, timer, notifier, view}};
};

TEST(FuelCellText, ThreeDecimalsOfRawOver256PlusOneHalf) {
  EXPECT_EQ(fuelCellText(0x00), "0.500");
  EXPECT_EQ(fuelCellText(0x80), "1.000");
  EXPECT_EQ(fuelCellText(0xFF), "1.496");
  EXPECT_EQ(fuelCellText(0x01), "0.504");
}

TEST_F(FuelTablesLogicTest, NinetyMillisecondsUntilTheFirstGoodReadThenASecond) {
  logic.onInit();
  ecu.silence();
  logic.onTimer();
  EXPECT_EQ(view.shown, 0);
  EXPECT_EQ(logic.cells()[0], "");  // headings only before the first good read
  EXPECT_TRUE(notifier.messages.empty());

  Bytes answer(256);
  for (std::size_t k = 0; k < answer.size(); ++k) answer[k] = static_cast<std::uint8_t>(k);
  ecu.answer(answer);
  logic.onTimer();
  EXPECT_EQ(timer.starts, (std::vector<int>{90, 1000}));
  EXPECT_EQ(logic.cells()[0], "0.500");
  EXPECT_EQ(logic.cells()[16 * 8], "1.000");  // row 8, column 0
  EXPECT_EQ(logic.cells()[255], "1.496");
  EXPECT_EQ(ecu.requests, (std::vector<Bytes>{{0x61, 0x49}, {0x61, 0x49}}));

  // A failed or short read keeps the grid and the period, and says why until a good read.
  EXPECT_EQ(logic.status(), "");
  ecu.silence();
  logic.onTimer();
  EXPECT_EQ(logic.status(), "Нет ответа ЭБУ");
  ecu.answer({0x00, 0x00});
  logic.onTimer();
  EXPECT_EQ(logic.cells()[255], "1.496");
  EXPECT_EQ(view.shown, 1);
  EXPECT_EQ(timer.period(), 1000);
  EXPECT_NE(logic.status(), "");
  ecu.answer(answer);
  logic.onTimer();
  EXPECT_EQ(logic.status(), "");
}

TEST_F(FuelTablesLogicTest, TableButtonsChangeTheTableReadAtTheNextTick) {
  logic.onInit();
  logic.showTable(4);
  logic.showTable(7);  // no such table
  ecu.answer(table(0xFF, 0x80));
  logic.onTimer();
  logic.showTable(2);
  EXPECT_EQ(logic.cells()[0], "1.496");
  ecu.answer(table(0x00, 0x80));
  logic.onTimer();
  EXPECT_EQ(ecu.requests, (std::vector<Bytes>{{0x61, 0x4C}, {0x61, 0x4A}}));
  EXPECT_EQ(logic.cells()[0], "0.500");
}

TEST_F(FuelTablesLogicTest, ZeroingTableThreeWhileOneIsShownSwitchesTheView) {
  logic.onInit();
  ecu.answer(table(0x10, 0x10));
  logic.onTimer();
  log.clear();
  ecu.answer({0x00});
  logic.zeroTable(3);
  EXPECT_EQ(ecu.requests.back(), (Bytes{0x62, 0x0E, 0x40, 0x0E, 0x40}));
  EXPECT_EQ(logic.table(), 3);
  EXPECT_EQ(log, (test::EventLog{"timer stop", "timer start 90"}));
  ecu.answer(table(0x80, 0x80));
  logic.onTimer();
  EXPECT_EQ(ecu.requests.back(), (Bytes{0x61, 0x4B}));
}

TEST_F(FuelTablesLogicTest, ZeroCommandsOfEachTableAndTheirReports) {
  const std::uint8_t commands[4] = {0x10, 0x20, 0x40, 0x80};
  for (int number = 1; number <= 4; ++number) {
    ecu.answer({0x00});
    logic.zeroTable(number);
    const std::uint8_t m = commands[number - 1];
    EXPECT_EQ(ecu.requests.back(), (Bytes{0x62, 0x0E, m, 0x0E, m}));
  }
  EXPECT_TRUE(notifier.messages.empty());

  ecu.answer({0x02});
  logic.zeroTable(2);
  ecu.silence();
  logic.zeroTable(1);
  ASSERT_EQ(notifier.messages.size(), 2u);
  EXPECT_EQ(notifier.messages[0].text, "ЭБУ не может выполнить операцию ");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен3");
  EXPECT_EQ(notifier.messages[1].text, "Нет ответа ЭБУ");
  EXPECT_EQ(notifier.messages[1].icon, MessageIcon::Stop);
  // Either way the table is the shown one and the reading restarts.
  EXPECT_EQ(logic.table(), 1);
  EXPECT_EQ(timer.period(), 90);
  EXPECT_TRUE(timer.isRunning());
}

TEST_F(FuelTablesLogicTest, ClosingStopsTheTimerAndSendsTheCloseCommand) {
  logic.onInit();
  ecu.silence();
  logic.onClose();
  EXPECT_FALSE(timer.isRunning());
  EXPECT_EQ(ecu.requests, (std::vector<Bytes>{{0x62, 0x0E, 0x00}}));
}

}  // namespace
}  // namespace vortlen
