#include "actuator_logic.h"

#include <gtest/gtest.h>

#include "actuator_fixture.h"

namespace vortlen::test {
namespace {

using Checks5 = std::array<bool, kRelayCount>;
using Checks4 = std::array<bool, kInjectorCount>;

const Bytes kReleaseRequest = {0x62, 0x09, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C,
                               0x00, 0x0D, 0x00, 0x0E, 0x00, 0x0F, 0x00};

TEST_F(ActuatorTest, TheInitialReadChecksTheRelaysOnAndTheInjectorsThatWork) {
  ecu.answers[{0x61, 0x09, 0x0D}] = {0x0A, 0x05};
  logic.initialise();
  EXPECT_EQ(ecu.requests, std::vector<Bytes>{Bytes({0x61, 0x09, 0x0D})});
  // Fan and fuel pump on; injectors 1 and 3 cut, so only Ф2 and Ф4 are checked.
  EXPECT_EQ(display.relayChecked, Checks5({false, true, false, true, false}));
  EXPECT_EQ(display.injectorChecked, Checks4({false, true, false, true}));
  EXPECT_EQ(logic.relayBits(), 0x0A);
  EXPECT_EQ(logic.injectorCutBits(), 0x05);
  EXPECT_EQ(view.checkShows, 1);
  EXPECT_EQ(log, EventLog({"request 61 09 0D", "sleep 100", "timer start 90"}));
}

TEST_F(ActuatorTest, AFailedInitialReadLeavesEveryBoxUncheckedAndSaysNothing) {
  ecu.ecuAnswers = false;
  logic.initialise();
  EXPECT_EQ(display.relayChecked, Checks5{});
  EXPECT_EQ(display.injectorChecked, Checks4{});
  EXPECT_EQ(logic.relayBits(), 0);
  EXPECT_EQ(logic.injectorCutBits(), 0);
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(timer.starts, std::vector<int>{90});
}

TEST_F(ActuatorTest, TheMonitorShowsCoolantAndSpeedWithBarsWithinTheirRanges) {
  const struct {
    std::uint8_t coolant, speed;
    const char* coolantText;
    const char* speedText;
    int coolantBar, speedBar;
  } rows[] = {
      {0, 85, "-40", "850", kCoolantBarMin, 85},  // empty bar
      {140, 0, "100", "0", kCoolantBarMax, 0},    // full bar
      {130, 255, "90", "2550", 130, 255},         // within the range
      {255, 1, "215", "10", kCoolantBarMax, 1},   // the top of the byte
  };
  open();
  for (const auto& row : rows) {
    SCOPED_TRACE(int{row.coolant});
    ecu.answers[{0x61, 0x1A, 0x2C}] = {row.coolant, row.speed};
    tick();
    EXPECT_EQ(ecu.lastRequest(), Bytes({0x61, 0x1A, 0x2C}));
    EXPECT_EQ(display.coolantText, row.coolantText);
    EXPECT_EQ(display.speedText, row.speedText);
    EXPECT_EQ(display.coolantBar, row.coolantBar);
    EXPECT_EQ(display.speedBar, row.speedBar);
  }
}

TEST_F(ActuatorTest, TheControlsGoWithTheLinkWithinOneTickAndTheFieldsNameTheFailure) {
  open();
  tick();
  EXPECT_TRUE(display.controlsEnabled);

  ecu.ecuAnswers = false;
  tick();
  EXPECT_FALSE(display.controlsEnabled);
  EXPECT_EQ(display.coolantText, "Err 5");
  EXPECT_EQ(display.speedText, "");
  EXPECT_EQ(display.coolantBar, kCoolantBarMin);
  EXPECT_EQ(display.speedBar, 0);

  ecu.ecuAnswers = true;
  ecu.adapterOn = false;
  tick();
  EXPECT_EQ(display.coolantText, "Err 2");

  ecu.adapterOn = true;
  tick();
  EXPECT_TRUE(display.controlsEnabled);
  EXPECT_EQ(display.coolantText, "90");
  EXPECT_EQ(display.speedText, "800");
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(ActuatorTest, AnInjectorBoxCutsAndRestoresItsInjectorAlone) {
  open();
  log.clear();
  logic.onInjectorClicked(2, false);  // "Ф3" unchecked
  EXPECT_EQ(log, EventLog({"timer stop", "sleep 100", "request 62 0D 04 0D 04", "timer start 90"}));
  EXPECT_EQ(display.injectorChecked, Checks4({true, true, false, true}));

  logic.onInjectorClicked(2, true);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0D, 0x00, 0x0D, 0x00}));

  logic.onInjectorClicked(0, false);
  logic.onInjectorClicked(3, false);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0D, 0x09, 0x0D, 0x09}));
}

TEST_F(ActuatorTest, ARelayBoxPutsAllRelaysUnderControlAndChangesOnlyItsBit) {
  open();
  logic.onRelayClicked(0, true);  // "Лампа неисправностей"
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x01}));
  logic.onRelayClicked(4, true);  // "Клапан ЭПХХ"
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x11}));
  logic.onRelayClicked(0, false);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x10}));
  EXPECT_EQ(display.relayChecked, Checks5({false, false, false, false, true}));
}

TEST_F(ActuatorTest, AFailedOrRefusedWriteIsToldBeforeTheTimerRunsAgainAndKeepsTheNewBit) {
  open();
  log.clear();
  ecu.completion = 7;
  logic.onRelayClicked(1, true);
  EXPECT_EQ(log, EventLog({"timer stop", "sleep 100", "request 62 0A 1F 09 02",
                           "message ЭБУ не может выполнить операцию ", "timer start 90"}));
  EXPECT_EQ(notifier.messages.back().caption, "Вортлен3");
  EXPECT_EQ(notifier.messages.back().icon, MessageIcon::Exclamation);

  ecu.completion = 0;
  ecu.ecuAnswers = false;
  logic.onRelayClicked(3, true);
  EXPECT_EQ(notifier.messages.back().text, "Нет ответа ЭБУ");
  EXPECT_EQ(notifier.messages.back().icon, MessageIcon::Stop);
  EXPECT_TRUE(timer.isRunning());

  // The bits the ECU did not take are sent again with the next write.
  ecu.ecuAnswers = true;
  logic.onRelayClicked(0, true);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x0B}));
  EXPECT_EQ(notifier.messages.size(), 2u);
}

TEST_F(ActuatorTest, ClosingStoresTheChoicesThenReleasesTheEcuOnceWhateverTheLink) {
  for (const bool linkUp : {true, false}) {
    SCOPED_TRACE(linkUp);
    FakeEcuPort port;
    port.ecuAnswers = linkUp;
    SharedPort line{port};
    line.openPort(1);
    EventLog events;
    port.log = &events;
    FakeTimer ownTimer{&events};
    MemorySettings store{&events};
    ActuatorLogic window{{line, ownTimer, notifier, sleeper, store, view}};
    window.initialise();
    window.onShow();
    events.clear();

    window.onClose();
    window.onClose();
    EXPECT_EQ(events, EventLog({"timer stop", "write Механизмы/Обороты=1000",
                                "write Механизмы/Циклы=30", "write Механизмы/Дисбаланс=30",
                                "request 62 09 00 0A 00 0B 00 0C 00 0D 00 0E 00 0F 00"}));
    EXPECT_EQ(port.lastRequest(), kReleaseRequest);
    // A late tick of the dead window sends nothing.
    window.onTimer();
    EXPECT_EQ(port.lastRequest(), kReleaseRequest);
  }
}

TEST_F(ActuatorTest, ClosingAfterSwitchingStillEndsWithTheReleaseRequest) {
  open();
  logic.onRelayClicked(2, true);
  logic.onInjectorClicked(1, false);
  tick(3);
  logic.onClose();
  EXPECT_EQ(ecu.lastRequest(), kReleaseRequest);
  EXPECT_FALSE(timer.isRunning());
}

}  // namespace
}  // namespace vortlen::test
