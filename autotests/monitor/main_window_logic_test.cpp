#include "main_window_logic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ecu_services.h"
#include "fake_main_view.h"
#include "frame_codec.h"
#include "resource_ids.h"
#include "simulated_bench.h"

namespace vortlen {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Every command of a child window; the six modal windows that talk to the ECU pause polling.
struct FakeChildren final : ChildWindows {
  FakeChildren() {
    for (const int command : {ids::kCmdPassport, ids::kCmdFuelTables, ids::kCmdFaults,
                              ids::kCmdGraph, ids::kCmdActuators, ids::kCmdPhaseTest}) {
      table.push_back({command, MainMenu::Ecu, "", "", true});
    }
    for (const int command : {ids::kCmdCoAdjust, ids::kCmdIgnitionAdjust, ids::kCmdCoolantAdjust,
                              ids::kCmdIdleValveAdjust, ids::kCmdAbout, ids::kCmdAdapterScheme}) {
      table.push_back({command, MainMenu::Extra, "", "", false});
    }
  }
  std::span<const ChildWindowEntry> windows() const override { return table; }
  void open(const ChildWindowEntry& window) override {
    opened.push_back(window.command);
    if (whileOpen) whileOpen();
  }
  void runSettings(unsigned& portNumber) override {
    settingsShownWith.push_back(portNumber);
    if (whileOpen) whileOpen();
    if (chosenPort) portNumber = chosenPort;
  }
  std::vector<ChildWindowEntry> table;
  std::vector<int> opened;
  std::vector<unsigned> settingsShownWith;
  unsigned chosenPort = 0;  // 0: the dialog is cancelled
  std::function<void()> whileOpen;
};

class MainWindowLogicTest : public test::SimulatedBenchTest {
 protected:
  // Four distinct devices whatever serial ports this machine has (on Windows the four names
  // are the devices).
  MainWindowLogicTest() : SimulatedBenchTest(test::Com1::Missing) {
#ifndef _WIN32
    for (unsigned n = 1; n <= 4; ++n) {
      ::setenv(("VORTLEN3_COM" + std::to_string(n)).c_str(),
               ("/dev/ttyTEST" + std::to_string(n)).c_str(), 1);
    }
#endif
  }
  ~MainWindowLogicTest() override {
#ifndef _WIN32
    for (unsigned n = 1; n <= 4; ++n) ::unsetenv(("VORTLEN3_COM" + std::to_string(n)).c_str());
#endif
  }

  FakeChildren children;
  test::FakeMainView view;
  MainWindowLogic logic{{port, timer, notifier, sleeper, settings, powerOff, children, view}};
};

TEST(MainLayoutTest, At640x480TheControlsSitWhereTheFormulasPutThem) {
  const MainLayout layout = layoutMainWindow(640, 480);
  EXPECT_EQ(layout.header1030, (Rect{467, 10, 160, 21}));
  EXPECT_EQ(layout.header1031, (Rect{349, 10, 106, 21}));
  EXPECT_EQ(layout.values[0], (Rect{251, 14, 80, 32}));
  EXPECT_EQ(layout.values[7], (Rect{251, 434, 80, 32}));
  EXPECT_EQ(layout.bars[0], (Rect{20, 28, 228, 17}));
  EXPECT_EQ(layout.captions[0], (Rect{20, 7, 228, 20}));
  EXPECT_EQ(layout.flags[0], (Rect{361, 43, 261, 22}));
  EXPECT_EQ(layout.flags[15], (Rect{361, 43 + 15 * 22, 261, 22}));
  EXPECT_EQ(layout.cylinders[0], (Rect{361, 395, 64, 22}));
  EXPECT_EQ(layout.cylinders[1], (Rect{427, 395, 64, 22}));
  EXPECT_EQ(layout.cylinders[2], (Rect{492, 395, 64, 22}));
  EXPECT_EQ(layout.cylinders[3], (Rect{558, 395, 64, 22}));
  EXPECT_EQ(layout.captionFont, (FontSize{16, 4}));
  EXPECT_EQ(layout.valueFont, (FontSize{30, 9}));
  EXPECT_EQ(layout.flagFont, (FontSize{20, 6}));
}

TEST(MainLayoutTest, TheFlagColumnStartsAtTheRoundedFifthOf56ths) {
  // 5 * 500 / 56 = 44.64: rounded up, where integer division would give 44.
  EXPECT_EQ(layoutMainWindow(800, 500).flags[0].y, 45);
  EXPECT_EQ(layoutMainWindow(800, 600).flags[0].y, 54);
}

TEST(MainLayoutTest, TheWindowStartsAtATenThirteenthOfTheScreenCentred) {
  EXPECT_EQ(initialPlacement(1920, 1080), (Rect{222, 125, 1476, 830}));
  EXPECT_EQ(initialPlacement(640, 480), (Rect{74, 55, 492, 369}));
}

TEST_F(MainWindowLogicTest, AFreeConfiguredPortOpensWithoutAWord) {
  portExists(2);
  settings.values["Главное/КомПорт"] = 2;
  settings.values["Главное/Набор"] = 4;
  logic.start();
  EXPECT_THAT(notifier.messages, IsEmpty());
  EXPECT_EQ(simulated.openedName(), comDevicePath(2));
  EXPECT_TRUE(port.isOpen());
  EXPECT_THAT(timer.starts, ElementsAre(1));
  EXPECT_EQ(logic.activeSet(), 4);
  EXPECT_EQ(logic.poll().state(), PollState::Connect);
  EXPECT_EQ(logic.display().captions[0], "Напряжение L-зонда1 (вольт)");
}

TEST_F(MainWindowLogicTest, StoredValuesOutOfRangeFallBack) {
  portExists(1);
  settings.values["Главное/КомПорт"] = 5;
  settings.values["Главное/Набор"] = 6;
  logic.start();
  EXPECT_EQ(logic.portNumber(), 1u);
  EXPECT_EQ(simulated.openedName(), comDevicePath(1));
  EXPECT_EQ(logic.activeSet(), 1);

  const std::pair<std::uint32_t, std::uint32_t> showStates[] = {
      {1, 1}, {2, 2}, {3, 3}, {0, 3}, {4, 3}, {6, 2}, {0xFFFFFFFF, 3}};
  for (const auto& [stored, shown] : showStates) {
    settings.values["Главное/РазмерОкна"] = stored;
    EXPECT_EQ(logic.storedShowState(), shown) << stored;
  }
  settings.values.erase("Главное/РазмерОкна");
  EXPECT_EQ(logic.storedShowState(), 3u);
}

TEST_F(MainWindowLogicTest, ABusyPortNamesItselfAndLetsTheUserChooseAnother) {
  portExists(1);
  portExists(3, true);
  settings.values["Главное/КомПорт"] = 3;
  children.chosenPort = 1;
  children.whileOpen = [this] { EXPECT_FALSE(port.isOpen()) << "the probe leaves no port open"; };
  logic.start();
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            "Порт \u0421\u041e\u041c3 занят или не существует,\r\nнеобходимо выбрать другой \n" +
                comDevicePath(3) + ": порт занят другой программой");
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_THAT(children.settingsShownWith, ElementsAre(3u));
  EXPECT_EQ(logic.portNumber(), 1u);
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(simulated.openedName(), comDevicePath(1));
  EXPECT_THAT(timer.starts, ElementsAre(1));
}

TEST_F(MainWindowLogicTest, WithNoPortAtAllTheUserIsToldAndPollingShowsIt) {
  logic.start();
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            "На вашем компьютере свободных \u0421\u041e\u041c портов не найдено \n" +
                comDevicePath(1) + ": устройство не найдено: подключите адаптер");
  EXPECT_THAT(children.settingsShownWith, IsEmpty());
  EXPECT_THAT(timer.starts, ElementsAre(1));
  logic.onPollTimer();
  EXPECT_EQ(logic.display().texts[0], "Порт не открыт");
  EXPECT_EQ(logic.headerTextColour(), kHeaderTextFailing);
}

TEST_F(MainWindowLogicTest, TheHeaderColourFollowsTheLastResult) {
  portExists(1);
  logic.start();
  logic.onPollTimer();
  EXPECT_EQ(logic.headerTextColour(), kHeaderTextOk);
  adapter.setOptions(test::adapterOff());
  logic.onPollTimer();
  EXPECT_EQ(logic.headerTextColour(), kHeaderTextFailing);
  adapter.setOptions({});
  logic.onPollTimer();
  EXPECT_EQ(logic.headerTextColour(), kHeaderTextOk);
}

TEST_F(MainWindowLogicTest, TheExitReleasesClosesAndSavesInOrderEvenWithADeadLink) {
  portExists(2);
  settings.values["Главное/КомПорт"] = 2;
  logic.start();
  logic.command(ids::kCmdSet3);
  adapter.setOptions(test::adapterOff());
  log.clear();
  logic.exit(kShowMinimised);
  std::uint8_t frame[64];
  const std::size_t frameLength =
      encodeFrame(ecu::releaseRequest.data(), ecu::releaseRequest.size(), frame);
  const std::string releaseWrite = "write " + std::to_string(frameLength) + " bytes";
  EXPECT_THAT(log, ElementsAre("timer stop", "sleep 100", releaseWrite, "close",
                               "write Главное/РазмерОкна=2", "write Главное/Набор=3",
                               "write Главное/КомПорт=2"));
  EXPECT_EQ(powerOff.calls, 0);
  EXPECT_EQ(logic.link().lastResult(), LinkResult::AdapterOff);
}

TEST_F(MainWindowLogicTest, ThePowerOffComesLastAndOnlyWhenAskedFor) {
  portExists(1);
  logic.start();
  logic.onPollTimer();
  logic.command(ids::kCmdPowerOff);
  EXPECT_EQ(view.ends, 1);
  log.clear();
  logic.exit(kShowMaximised);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "power off");
  EXPECT_EQ(powerOff.calls, 1);
  const auto& release = ecu::releaseRequest;
  EXPECT_EQ(lastRequest(), std::vector<std::uint8_t>(release.begin(), release.end()));

  logic.command(ids::kCmdExit);
  EXPECT_EQ(view.ends, 2);
}

TEST_F(MainWindowLogicTest, SetCommandsSwitchTheSetOnlyWhenItChanges) {
  portExists(1);
  logic.start();
  const int changes = view.setChanges;
  logic.command(ids::kCmdSet5);
  EXPECT_EQ(logic.activeSet(), 5);
  EXPECT_EQ(view.setChanges, changes + 1);
  logic.command(ids::kCmdSet5);
  EXPECT_EQ(view.setChanges, changes + 1);
  logic.command(ids::kCmdSet1);
  EXPECT_EQ(logic.activeSet(), 1);
}

TEST_F(MainWindowLogicTest, ValueFieldsOpenTheirAdjustmentOnlyInTheirSets) {
  portExists(1);
  logic.start();
  struct Row {
    int set;
    int slot;
    bool reacts;
    int command;
  };
  const Row rows[] = {
      {1, 1, true, ids::kCmdCoolantAdjust},
      {2, 1, true, ids::kCmdCoolantAdjust},
      {1, 4, true, ids::kCmdIgnitionAdjust},
      {2, 4, true, ids::kCmdCoAdjust},
      {1, 7, true, ids::kCmdIdleValveAdjust},
      {2, 7, false, {}},
      {3, 1, false, {}},
      {4, 4, false, {}},
      {5, 7, false, {}},
      {1, 2, false, {}},
  };
  for (const Row& row : rows) {
    logic.command(ids::kSetCommands[row.set - 1]);
    children.opened.clear();
    timer.starts.clear();
    EXPECT_EQ(logic.valueFieldReacts(row.slot), row.reacts) << row.set << "/" << row.slot;
    logic.onValueClicked(row.slot);
    if (row.reacts) {
      EXPECT_THAT(children.opened, ElementsAre(row.command)) << row.set << "/" << row.slot;
    } else {
      EXPECT_THAT(children.opened, IsEmpty()) << row.set << "/" << row.slot;
    }
    // The adjustment windows are modeless: the polling goes on.
    EXPECT_THAT(timer.starts, IsEmpty());
  }
}

TEST_F(MainWindowLogicTest, ModalChildrenPausePollingAndResumeItWhereItWas) {
  portExists(1);
  logic.start();
  logic.onPollTimer();
  ASSERT_EQ(logic.poll().state(), PollState::ReadEcuType);
  const int modal[] = {ids::kCmdPassport, ids::kCmdFuelTables, ids::kCmdFaults,
                       ids::kCmdGraph,    ids::kCmdActuators,  ids::kCmdPhaseTest};
  for (const int command : modal) {
    children.whileOpen = [this] { EXPECT_FALSE(timer.isRunning()); };
    children.opened.clear();
    logic.command(command);
    EXPECT_THAT(children.opened, ElementsAre(command));
    EXPECT_TRUE(timer.isRunning());
    EXPECT_EQ(timer.period(), 90);
    EXPECT_EQ(logic.poll().state(), PollState::ReadEcuType);
  }
  const int alongside[] = {ids::kCmdAbout, ids::kCmdAdapterScheme, ids::kCmdCoAdjust,
                           ids::kCmdIdleValveAdjust};
  for (const int command : alongside) {
    children.whileOpen = [this] { EXPECT_TRUE(timer.isRunning()); };
    children.opened.clear();
    const std::size_t starts = timer.starts.size();
    logic.command(command);
    EXPECT_THAT(children.opened, ElementsAre(command));
    EXPECT_EQ(timer.starts.size(), starts);
  }
}

TEST_F(MainWindowLogicTest, ResetWithNoAdapterTellsTheUserAndRetriesInTwoSeconds) {
  portExists(1);
  logic.start();
  logic.onPollTimer();
  logic.onPollTimer();
  adapter.setOptions(test::adapterOff());
  logic.command(ids::kCmdResetEcu);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "Не включен адаптер");
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(timer.period(), 2000);
  EXPECT_EQ(logic.poll().state(), PollState::Connect);
  EXPECT_EQ(logic.display().texts[0], "Перезагрузка ЭБУ");
}

TEST_F(MainWindowLogicTest, ResetAcceptedWaitsTwoSecondsRefusedTellsTheNumber) {
  portExists(1);
  logic.start();
  logic.command(ids::kCmdResetEcu);
  EXPECT_EQ(lastRequest(), (std::vector<std::uint8_t>{0x41, 0x00, 0x00}));
  EXPECT_THAT(notifier.messages, IsEmpty());
  EXPECT_EQ(timer.period(), 2000);

  ecu.setRefusal(5);
  logic.command(ids::kCmdResetEcu);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "ЭБУ не может выполнить операцию, номер ошибки 5");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(timer.period(), 90);
  EXPECT_EQ(logic.poll().state(), PollState::Connect);
}

TEST_F(MainWindowLogicTest, TheSettingsCommandReconnectsOnTheChosenPort) {
  portExists(1);
  portExists(3);
  logic.start();
  logic.onPollTimer();
  logic.onPollTimer();
  logic.onPollTimer();
  ASSERT_EQ(logic.poll().state(), PollState::Cycle);
  children.whileOpen = [this] {
    EXPECT_FALSE(timer.isRunning());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(logic.display().texts[0], "");
    EXPECT_EQ(logic.display().texts[1], "");
  };
  children.chosenPort = 3;
  logic.command(ids::kCmdSettings);
  EXPECT_EQ(logic.display().texts[0], "Соединяемся...");
  EXPECT_EQ(simulated.openedName(), comDevicePath(3));
  EXPECT_EQ(logic.poll().state(), PollState::Connect);
  EXPECT_EQ(timer.period(), 1);
  // The store hears of the new port only at the exit.
  EXPECT_EQ(settings.values.count("Главное/КомПорт"), 0u);

  children.chosenPort = 0;  // cancelled: the same port again
  logic.command(ids::kCmdSettings);
  EXPECT_EQ(simulated.openedName(), comDevicePath(3));
  EXPECT_TRUE(port.isOpen());
}

TEST_F(MainWindowLogicTest, FlagColoursFollowTheLastAnswer) {
  portExists(1);
  logic.start();
  logic.poll().display().modeFlags = 0x8001;
  logic.poll().display().cylinderFlags = {0, 7, 0, 0};
  EXPECT_EQ(logic.flagBackground(0), kFlagLit);
  EXPECT_EQ(logic.flagBackground(1), kFlagDark);
  EXPECT_EQ(logic.flagBackground(15), kFlagLit);
  EXPECT_EQ(logic.cylinderBackground(0), kFlagDark);
  EXPECT_EQ(logic.cylinderBackground(1), kFlagLit);
}

}  // namespace
}  // namespace vortlen
