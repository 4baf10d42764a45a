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

#include "adapter_model.h"
#include "ecu_link.h"
#include "ecu_model.h"
#include "ecu_services.h"
#include "posix_serial_port.h"
#include "pty_server.h"
#include "release_check.h"

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
      if (release && silentReleases_ > 0) {
        --silentReleases_;
        options.silentEcu = true;
      }
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
  EXPECT_TRUE(port_.ledger().owed());

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
  EXPECT_FALSE(port_.ledger().owed());

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

TEST_F(ReleaseOwedTest, AReleaseTheEcuDoesNotConfirmIsSentAgainThenReported) {
  auto ecu = plugIn();
  ASSERT_TRUE(port_.openPort(1));
  ASSERT_EQ(send(slider_, kFuelPumpOn), LinkResult::Ok);

  ecu->leaveReleasesUnanswered(1);
  EXPECT_TRUE(sendRelease(slider_, ecu::releaseRequest));
  EXPECT_EQ(ecu->heard(), (std::vector<Bytes>{kFuelPumpOn, kRelease, kRelease}));
  EXPECT_FALSE(port_.ledger().owed());

  ASSERT_EQ(send(slider_, kInjectorOneCut), LinkResult::Ok);
  ecu->leaveReleasesUnanswered(3);
  EXPECT_FALSE(sendRelease(slider_, ecu::releaseRequest));
  EXPECT_EQ(ecu->heard().size(), 7u) << "three tries, then no more";
  const std::string warning = port_.ledger().unreleasedWarning();
  EXPECT_NE(warning.find("отключены форсунки Ф1"), std::string::npos) << warning;
  EXPECT_NE(warning.find("выключите и включите зажигание"), std::string::npos) << warning;

  // With nothing held, a close sends its request once and asks nothing of the ECU.
  ecu->leaveReleasesUnanswered(0);
  ASSERT_TRUE(sendRelease(slider_, ecu::releaseRequest));
  ASSERT_FALSE(port_.ledger().owed());
  ecu->leaveReleasesUnanswered(1);
  EXPECT_TRUE(sendRelease(slider_, ecu::releaseRequest));
  EXPECT_EQ(ecu->heard().size(), 9u);
}

}  // namespace
}  // namespace vortlen
