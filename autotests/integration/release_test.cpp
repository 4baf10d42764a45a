// The release owed reaches the ECU: through the real serial code and a pseudo-terminal that
// goes away and comes back at the same path, as an adapter pulled out and plugged back does.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "actuator_logic.h"
#include "adapter_model.h"
#include "adjustment_logic.h"
#include "ecu_link.h"
#include "ecu_model.h"
#include "ecu_services.h"
#include "posix_serial_port.h"
#include "pty_server.h"
#include "release_check.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kRelease(ecu::releaseRequest.begin(), ecu::releaseRequest.end());
const Bytes kWakeUp = {0x01};
const Bytes kCoolantOverride = {0x62, 0x0B, 0x80, 0x1A, 0x64};
const Bytes kFuelPumpOn = {0x62, 0x0A, 0x1F, 0x09, 0x08};
const Bytes kInjectorOneCut = {0x62, 0x0D, 0x01, 0x0D, 0x01};

// The simulated ECU on a pseudo-terminal served by a thread of the test; it records every
// request it hears, and can be told to leave releases unanswered.
class ServedEcu {
 public:
  ServedEcu() {
    adapter_.setRequestObserver([this](std::span<const std::uint8_t> request, bool) {
      const bool release = Bytes(request.begin(), request.end()) == kRelease;
      sim::AdapterOptions options;
      if ((release && silentReleases_ > 0) || silentAny_ > 0) {
        if (release && silentReleases_ > 0) {
          --silentReleases_;
        } else {
          --silentAny_;
        }
        options.silentEcu = true;
      }
      ecu_.setRefusal(release && refusedReleases_ > 0 ? sim::kRefuseNotWritable : 0);
      if (release && refusedReleases_ > 0) --refusedReleases_;
      adapter_.setOptions(options);  // this thread is the model's: before its answer
      const std::lock_guard lock(mutex_);
      heard_.emplace_back(request.begin(), request.end());
    });
    opened_ = server_.open();
    thread_ = std::thread([this] { server_.serve(); });
  }
  ~ServedEcu() {
    server_.stop();
    thread_.join();
  }

  bool opened() const { return opened_; }
  const std::string& path() const { return server_.path(); }
  void leaveReleasesUnanswered(int count) { silentReleases_ = count; }
  /// The next `count` requests of any kind go unanswered (after their echo).
  void leaveUnanswered(int count) { silentAny_ = count; }
  /// The next `count` full releases are refused with a completion code.
  void refuseReleases(int count) { refusedReleases_ = count; }
  std::vector<Bytes> heard() {
    const std::lock_guard lock(mutex_);
    return heard_;
  }

 private:
  sim::EcuModel ecu_;
  sim::AdapterModel adapter_{ecu_};
  sim::PtyServer server_{adapter_};
  std::thread thread_;
  std::atomic<int> silentReleases_{0};
  std::atomic<int> silentAny_{0};
  std::atomic<int> refusedReleases_{0};
  std::mutex mutex_;
  std::vector<Bytes> heard_;
  bool opened_ = false;
};

// COM1 is a symbolic link that follows the simulator from one pseudo-terminal to the next, as
// /dev/serial/by-id follows an adapter from one plug-in to the next.
class ReleaseOwedTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("VORTLEN3_COM1", linkPath_.c_str(), 1); }
  void TearDown() override {
    ::unsetenv("VORTLEN3_COM1");
    std::filesystem::remove(linkPath_);
  }

  std::unique_ptr<ServedEcu> plugIn() {
    auto ecu = std::make_unique<ServedEcu>();
    std::filesystem::remove(linkPath_);
    std::filesystem::create_symlink(ecu->path(), linkPath_);
    return ecu;
  }

  LinkResult send(EcuLink& link, const Bytes& request) {
    return link.transact(request.data(), request.size());
  }

  // The main window's connect state: a wake-up every 90 ms until the ECU answers. Returns how
  // long that took, or nothing.
  std::optional<Clock::duration> pollUntilAnswered() {
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(4)) {
      if (send(poll_, kWakeUp) == LinkResult::Ok) return Clock::now() - start;
      std::this_thread::sleep_for(std::chrono::milliseconds(90));
    }
    return std::nullopt;
  }

  std::filesystem::path linkPath_ =
      std::filesystem::temp_directory_path() / ("vortlen3-com1-" + std::to_string(getpid()));
  PosixSerialPort device_;
  SharedPort port_{device_};
  EcuLink poll_{port_};
  EcuLink slider_{port_};
};

TEST_F(ReleaseOwedTest, AfterAReplugTheReleaseGoesBeforeAnyPoll) {
  const std::filesystem::path tracePath = linkPath_.string() + ".trace";
  WireTrace trace;
  ASSERT_TRUE(trace.open(tracePath.c_str()));
  trace.setProgram("Вортлен 3 9.8.7");
  port_.setTrace(&trace);
  // Nothing is plugged in yet: the run's header, then why the port did not open.
  EXPECT_FALSE(port_.openPort(1));
  auto ecu = plugIn();
  ASSERT_TRUE(ecu->opened());
  ASSERT_TRUE(port_.openPort(1));
  ASSERT_EQ(send(poll_, kWakeUp), LinkResult::Ok);
  ASSERT_EQ(send(slider_, kCoolantOverride), LinkResult::Ok);
  EXPECT_TRUE(port_.ledger().held());

  ecu.reset();  // pulled out
  EXPECT_NE(send(poll_, kWakeUp), LinkResult::Ok);
  EXPECT_FALSE(port_.isOpen());
  EXPECT_TRUE(port_.lost());
  // Unplugged, a poll costs nothing: the port is closed.
  const auto idle = Clock::now();
  EXPECT_EQ(send(poll_, kWakeUp), LinkResult::PortNotOpen);
  EXPECT_LT(Clock::now() - idle, std::chrono::milliseconds(5));

  ecu = plugIn();
  const auto back = pollUntilAnswered();
  ASSERT_TRUE(back);
  std::printf(
      "back on the line after %lld ms\n",
      static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(*back).count()));
  EXPECT_LT(*back, std::chrono::seconds(2));
  EXPECT_EQ(ecu->heard(), (std::vector<Bytes>{kRelease, kWakeUp}));
  EXPECT_FALSE(port_.ledger().held());

  // With nothing owed, the link coming back sends nothing more.
  ecu.reset();
  ecu = plugIn();
  ASSERT_TRUE(pollUntilAnswered());
  EXPECT_EQ(ecu->heard(), (std::vector<Bytes>{kWakeUp}));

  // The trace has every chunk each way and every result, one line each.
  port_.setTrace(nullptr);
  trace.close();
  std::ifstream file(tracePath);
  std::string traced((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::filesystem::remove(tracePath);
  // The run begins with its header: the program, the local date and time, COM1 and its device.
  std::istringstream lines(traced);
  std::string header;
  std::getline(lines, header);
  EXPECT_TRUE(std::regex_match(
      header,
      std::regex("=== Вортлен 3 9\\.8\\.7, 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [+-]\\d{4}, "
                 "COM1 = " +
                 linkPath_.string())))
      << header;
  const std::regex line(R"(\d+ ([<>] [0-9A-F]{2}( [0-9A-F]{2})*|= .+))");
  int count = 0;
  for (std::string text; std::getline(lines, text); ++count) {
    EXPECT_TRUE(std::regex_match(text, line)) << text;
  }
  EXPECT_GT(count, 10);
  for (const std::string& expected :
       {" = COM1 = " + linkPath_.string() +
            " не открыт: устройство не найдено: подключите адаптер\n",
        std::string(" > 62 0B 80 1A 64 95 0D\n"), std::string(" < 00 00 0D\n"),
        std::string(" = Ok\n"), std::string(" = Порт не открыт\n"),
        std::string(" > 62 09 00 0A 00 0B 00 0C 00 40 CD 00 0E 00 0F 00 4A 0D\n")}) {
    EXPECT_NE(traced.find(expected), std::string::npos) << expected << "\n" << traced;
  }
}

TEST_F(ReleaseOwedTest, OnlyWhatTheLineLostIsTriedAgainAndARefusalIsReportedAtOnce) {
  auto ecu = plugIn();
  ASSERT_TRUE(port_.openPort(1));
  ASSERT_EQ(send(slider_, kFuelPumpOn), LinkResult::Ok);

  ecu->leaveReleasesUnanswered(1);
  EXPECT_EQ(sendRelease(slider_, ecu::releaseRequest), ReleaseOutcome::Confirmed);
  EXPECT_EQ(ecu->heard(), (std::vector<Bytes>{kFuelPumpOn, kRelease, kRelease}));
  EXPECT_FALSE(port_.ledger().held());

  // Refused: once, and the warning names what may still be active.
  ASSERT_EQ(send(slider_, kInjectorOneCut), LinkResult::Ok);
  ecu->refuseReleases(1);
  EXPECT_EQ(sendRelease(slider_, ecu::releaseRequest), ReleaseOutcome::Refused);
  EXPECT_EQ(ecu->heard().size(), 5u) << "a refusal is not sent again";
  test::FakeNotifier notifier;
  warnUnreleased(port_, notifier, "Вортлен3", ReleaseOutcome::Refused);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_NE(notifier.messages[0].text.find("отключены форсунки Ф1"), std::string::npos);
  EXPECT_EQ(port_.ledger().owedCount(), 0u);

  // Lost three times: owed, and it goes first, as it was, when the line answers again.
  ecu->leaveReleasesUnanswered(3);
  EXPECT_EQ(sendRelease(slider_, ecu::releaseRequest), ReleaseOutcome::LineLost);
  EXPECT_EQ(ecu->heard().size(), 8u) << "three tries, then no more";
  EXPECT_EQ(port_.ledger().owedCount(), 1u);
  EXPECT_NE(port_.ledger().unreleasedWarning().find("выключите и включите зажигание"),
            std::string::npos);
  ASSERT_EQ(send(poll_, kWakeUp), LinkResult::Ok);
  const auto heard = ecu->heard();
  EXPECT_EQ(std::vector<Bytes>(heard.end() - 2, heard.end()), (std::vector<Bytes>{kRelease, kWakeUp}));
  EXPECT_FALSE(port_.ledger().held());
  EXPECT_EQ(port_.ledger().owedCount(), 0u);

  // With nothing held, a close sends its request once and asks nothing of the ECU.
  ecu->leaveReleasesUnanswered(1);
  EXPECT_EQ(sendRelease(slider_, ecu::releaseRequest), ReleaseOutcome::Confirmed);
  EXPECT_EQ(ecu->heard().size(), 11u);
}

// The windows that hold something, on the real serial code: a lost answer leaves them as they
// are; a lost link releases everything when it is back, and they show it.
class HolderTest : public ReleaseOwedTest {
 protected:
  struct QuietView final : ActuatorView {
    void refresh() override {}
    void showChecks() override {}
    void showBalanceTexts() override {}
    void messageAfterTick(const std::string&, const std::string&, MessageIcon) override {}
  };

  void SetUp() override {
    ReleaseOwedTest::SetUp();
    ecu_ = plugIn();
    ASSERT_TRUE(port_.openPort(1));
  }

  // Shows the coolant window and overrides at `position`; returns where the ECU's own value
  // put the slider.
  int coolantHeldAt(int position) {
    coolant_.onShow();
    const int own = coolant_.position(0);
    coolant_.setPosition(0, position);
    coolant_.onSliderReleased(0);
    return own;
  }

  std::vector<Bytes> heardSince(std::size_t count) {
    const auto heard = ecu_->heard();
    return std::vector<Bytes>(heard.begin() + static_cast<std::ptrdiff_t>(count), heard.end());
  }

  std::unique_ptr<ServedEcu> ecu_;
  test::FakeNotifier notifier_;
  test::FakeTimer timer_;
  test::FakeSleeper sleeper_;
  test::MemorySettings settings_;
  QuietView view_;
  std::uint8_t mask_ = 0;
  AdjustmentLogic coolant_{AdjustmentKind::Coolant, port_, notifier_, mask_};
  AdjustmentLogic co_{AdjustmentKind::Co, port_, notifier_, mask_};
  ActuatorLogic actuator_{{port_, timer_, notifier_, sleeper_, settings_, view_}};
};

TEST_F(HolderTest, ALostAnswerIsAGlitchAndALostLinkReleasesAndResetsTheWindows) {
  const int own = coolantHeldAt(146);
  actuator_.initialise();
  actuator_.onRelayClicked(3, true);
  actuator_.onInjectorClicked(0, false);
  ASSERT_EQ(ecu_->heard().size(), 5u);
  EXPECT_EQ(ecu_->heard()[4], (Bytes{0x62, 0x0D, 0x01, 0x0D, 0x01}));

  // One poll goes unanswered: nothing is released, nothing changes.
  ecu_->leaveUnanswered(1);
  EXPECT_EQ(send(poll_, kWakeUp), LinkResult::NoAnswer);
  EXPECT_EQ(send(poll_, kWakeUp), LinkResult::Ok);
  EXPECT_EQ(heardSince(5), (std::vector<Bytes>{kWakeUp, kWakeUp}));
  EXPECT_EQ(coolant_.position(0), 146);
  EXPECT_TRUE(coolant_.notice().empty());
  EXPECT_TRUE(actuator_.display().relayChecked[3]);
  EXPECT_FALSE(actuator_.display().injectorChecked[0]);

  // Pulled out and plugged back: the release goes first, and every holder shows it.
  ecu_.reset();
  EXPECT_NE(send(poll_, kWakeUp), LinkResult::Ok);
  ecu_ = plugIn();
  ASSERT_TRUE(pollUntilAnswered());
  EXPECT_EQ(heardSince(0), (std::vector<Bytes>{kRelease, kWakeUp}));
  EXPECT_EQ(coolant_.position(0), own) << "back where the ECU's own value put it";
  EXPECT_EQ(coolant_.notice(), kReleasedAfterLossText);
  EXPECT_FALSE(coolant_.holdsControl());
  const ActuatorDisplay& display = actuator_.display();
  EXPECT_EQ(display.relayChecked, (std::array<bool, kRelayCount>{}));
  EXPECT_EQ(display.injectorChecked, (std::array<bool, kInjectorCount>{true, true, true, true}));
  EXPECT_EQ(display.notice, kActuatorReleasedAfterLoss);
  EXPECT_EQ(mask_ & 0x80, 0) << "another window's write must not bring the override back";

  // Moving the slider again overrides again, with the window's bit.
  coolant_.setPosition(0, 150);
  coolant_.onSliderReleased(0);
  EXPECT_EQ(heardSince(2).back(), (Bytes{0x62, 0x0B, 0x80, 0x1A, 150}));
  EXPECT_TRUE(coolant_.notice().empty());
}

TEST_F(HolderTest, AnUnconfirmedCloseSendsItsOwnBytesAgainAndLeavesTheOthersHeld) {
  coolantHeldAt(146);
  co_.onShow();
  co_.setPosition(0, 8);
  co_.onSliderReleased(0);
  const std::size_t before = ecu_->heard().size();

  ecu_->leaveUnanswered(3);
  ASSERT_TRUE(co_.onClose());
  const Bytes coClear = {0x62, 0x0C, 0x00, 0x0E, 0x00};
  EXPECT_EQ(heardSince(before), (std::vector<Bytes>{coClear, coClear, coClear}));
  ASSERT_EQ(notifier_.messages.size(), 1u);
  EXPECT_NE(notifier_.messages[0].text.find("коррекция СО"), std::string::npos);

  ASSERT_EQ(send(poll_, kWakeUp), LinkResult::Ok);
  EXPECT_EQ(heardSince(before + 3), (std::vector<Bytes>{coClear, kWakeUp}));
  EXPECT_TRUE(coolant_.holdsControl());
  EXPECT_EQ(coolant_.position(0), 146);
  EXPECT_TRUE(port_.ledger().holds(ecu::kOverrideMask, 0x80));
  ASSERT_EQ(send(poll_, kWakeUp), LinkResult::Ok);
  EXPECT_EQ(heardSince(before + 5), (std::vector<Bytes>{kWakeUp}));
}

TEST_F(HolderTest, ABalanceStopGoesOnceAndWhatTheLineLostIsOwedWithoutABox) {
  actuator_.initialise();
  actuator_.onStartClicked();
  actuator_.onTimer();  // the start write
  ASSERT_EQ(actuator_.balanceStep(), BalanceStep::Settle);
  const std::size_t before = ecu_->heard().size();
  const Bytes stop = {0x62, 0x0A, 0x00, 0x0B, 0x00};

  ecu_->leaveUnanswered(1);
  actuator_.onStopClicked();
  EXPECT_EQ(heardSince(before), (std::vector<Bytes>{stop}));
  EXPECT_EQ(actuator_.balanceStep(), BalanceStep::Monitor);
  EXPECT_TRUE(notifier_.messages.empty());
  EXPECT_EQ(actuator_.display().notice, kStopLostText);
  actuator_.onTimer();  // the monitor read, after what is owed
  EXPECT_EQ(heardSince(before), (std::vector<Bytes>{stop, stop, {0x61, 0x1A, 0x2C}}));
  EXPECT_EQ(port_.ledger().owedCount(), 0u);
}

// A window that sends nothing is open (the passport after its reading) while the adapter is
// pulled out and plugged back; then the program ends. The exit's release reaches the ECU.
TEST_F(HolderTest, TheExitReachesAnEcuThatCameBackWhileNothingWasSent) {
  coolantHeldAt(146);
  ecu_.reset();
  ecu_ = plugIn();
  EXPECT_TRUE(port_.isOpen()) << "nothing was sent: the dead port still looks open";
  EXPECT_EQ(sendRelease(poll_, ecu::releaseRequest, &sleeper_), ReleaseOutcome::Confirmed);
  EXPECT_EQ(ecu_->heard(), (std::vector<Bytes>{kRelease}));
  EXPECT_TRUE(sleeper_.sleeps.empty());

  // The same through the keeper that runs while windows send nothing.
  coolantHeldAt(150);
  ecu_.reset();
  ecu_ = plugIn();
  EcuLink keeper(port_);
  const auto start = Clock::now();
  while (ecu_->heard().empty() && Clock::now() - start < std::chrono::seconds(3)) {
    keeper.settle();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(ecu_->heard(), (std::vector<Bytes>{kRelease}));
  EXPECT_EQ(coolant_.notice(), kReleasedAfterLossText);
}

}  // namespace
}  // namespace vortlen
