#pragma once

#include <gtest/gtest.h>

#include "actuator_fake_ecu.h"
#include "actuator_logic.h"
#include "window_fakes.h"

namespace vortlen::test {

/// Counts what the logic asks of the actuator window's view.
struct FakeActuatorView final : ActuatorView {
  void refresh() override { ++refreshes; }
  void showChecks() override { ++checkShows; }
  void showBalanceTexts() override { ++textShows; }
  void messageAfterTick(const std::string& text, const std::string& caption,
                        MessageIcon icon) override {
    laterMessages.push_back({text, caption, icon});
  }
  std::vector<ShownMessage> laterMessages;
  int refreshes = 0;
  int checkShows = 0;
  int textShows = 0;
};

/// The actuator window's logic against an ECU whose answers the test chooses. Timer, boxes,
/// waits and settings write into one event log.
class ActuatorTest : public ::testing::Test {
 protected:
  ActuatorTest() {
    ecu.log = &log;
    ecu.answers[{0x61, 0x09, 0x0D}] = {0x00, 0x00};
    ecu.answers[{0x61, 0x1A, 0x2C}] = {130, 80};
    shared.openPort(1);
  }

  /// The window is made and shown; the initial read has run.
  void open() {
    logic.initialise();
    logic.onShow();
  }

  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) logic.onTimer();
  }

  EventLog log;
  FakeEcuPort ecu;
  SharedPort shared{ecu};
  FakeTimer timer{&log};
  FakeNotifier notifier{&log};
  FakeSleeper sleeper{&log};
  MemorySettings settings{&log};
  FakeActuatorView view;
  ActuatorLogic logic{{shared, timer, notifier, sleeper, settings, view}};
  const ActuatorDisplay& display = logic.display();
};

}  // namespace vortlen::test
