#include <gtest/gtest.h>

#include <chrono>

#include "actuator_fixture.h"
#include "actuator_logic.h"
#include "simulated_bench.h"

namespace vortlen::test {
namespace {

using namespace std::chrono_literals;

using BalanceOnTheSimulatedEngine = SimulatedBenchTest;

// The balance test against the simulated engine, on the simulator's virtual clock.
TEST_F(BalanceOnTheSimulatedEngine, HoldsTheRegulatorWhereTheChosenSpeedComesOut) {
  ecu.setThrottleBlips(false);
  FakeActuatorView view;
  ActuatorLogic logic{{port, timer, notifier, sleeper, settings, view}};
  logic.initialise();
  logic.onShow();
  auto run = [&](std::chrono::milliseconds time) {
    for (auto left = time; left > 0ms; left -= 90ms) {
      simulated.wait(90ms);
      logic.onTimer();
    }
  };
  run(1s);
  const double idle = ecu.engineSpeed();
  EXPECT_NEAR(idle, 1120, 60);

  logic.setBalanceText(kTargetCombo, "1000");
  logic.onStartClicked();
  run(20s);
  ASSERT_EQ(logic.balanceStep(), BalanceStep::Hold);
  EXPECT_NEAR(ecu.engineSpeed(), 1000, 60);
  EXPECT_EQ(ecu.value(0x5B), logic.idleTarget());
  const int advance = std::stoi(logic.display().coolantText);
  EXPECT_GT(advance, 0) << "advance shown " << logic.display().coolantText;

  logic.onClose();
  EXPECT_EQ(ecu.overrideMask(), 0);
  EXPECT_EQ(ecu.relayMask(), 0);
  EXPECT_TRUE(notifier.messages.empty());
}

}  // namespace
}  // namespace vortlen::test
