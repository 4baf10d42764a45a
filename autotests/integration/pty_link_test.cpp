// The real serial code against the real simulator program over a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "ecu_link.h"
#include "ecu_services.h"
#include "ecusim_process.h"
#include "posix_serial_port.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using test::EcusimProcess;

const Bytes kSetOne = {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A,
                       0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34};

// The longest a transaction may block: one frame's echo and 36 answer reads, with room for a
// slow machine. A transaction that takes longer has hung.
constexpr auto kTransactionBound = std::chrono::milliseconds(1500);

class PtyLinkTest : public ::testing::Test {
 protected:
  /// Points COM1 at the simulator's pseudo-terminal and opens it.
  bool connect(const EcusimProcess& sim) {
    ::setenv("VORTLEN3_COM1", sim.portPath().c_str(), 1);
    return shared.openPort(1);
  }

  LinkResult send(const Bytes& request) {
    const auto start = Clock::now();
    const LinkResult result = link.transact(request.data(), request.size());
    elapsed = Clock::now() - start;
    return result;
  }

  void TearDown() override { ::unsetenv("VORTLEN3_COM1"); }

  PosixSerialPort device;
  SharedPort shared{device};
  EcuLink link{shared};
  Clock::duration elapsed{};
};

TEST_F(PtyLinkTest, AnIdlingEngineAnswersTheMainRequests) {
  EcusimProcess sim;
  ASSERT_FALSE(sim.portPath().empty());
  ASSERT_TRUE(connect(sim));

  EXPECT_EQ(send({ecu::kWakeUp}), LinkResult::Ok);
  ASSERT_EQ(send(kSetOne), LinkResult::Ok);
  EXPECT_EQ(link.answerLength(), 16u);
  const int rpm = link.ResponseBuffer()[8] * 40;
  EXPECT_GT(rpm, 500);
  EXPECT_LT(rpm, 1200);

  ASSERT_EQ(send({ecu::kReadValues, 0x49}), LinkResult::Ok);  // a whole fuel table
  EXPECT_EQ(link.answerLength(), 256u);

  ASSERT_EQ(send(Bytes(ecu::releaseRequest.begin(), ecu::releaseRequest.end())), LinkResult::Ok);
  EXPECT_EQ(link.ResponseBuffer()[0], ecu::kCompletionDone);
}

struct Mode {
  std::vector<std::string> options;
  LinkResult expected;
};

class PtyModes : public PtyLinkTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(PtyModes, EachAdapterFaultEndsInItsResult) {
  EcusimProcess sim(GetParam().options);
  ASSERT_FALSE(sim.portPath().empty());
  ASSERT_TRUE(connect(sim));
  for (int attempt = 0; attempt < 2; ++attempt) {  // the second one starts from a purge
    EXPECT_EQ(send(kSetOne), GetParam().expected) << "attempt " << attempt;
    EXPECT_LT(elapsed, kTransactionBound);
  }
}

void PrintTo(const Mode& mode, std::ostream* out) {
  for (const std::string& option : mode.options) *out << option << ' ';
}

INSTANTIATE_TEST_SUITE_P(Integration, PtyModes,
                         ::testing::Values(Mode{{"--pace"}, LinkResult::Ok},
                                           Mode{{"--no-echo"}, LinkResult::AdapterOff},
                                           Mode{{"--corrupt-echo", "0"}, LinkResult::Ok},
                                           Mode{{"--corrupt-echo", "5"}, LinkResult::EchoMismatch},
                                           Mode{{"--silent"}, LinkResult::NoAnswer},
                                           Mode{{"--bad-checksum"}, LinkResult::BadChecksum},
                                           Mode{{"--overlong"}, LinkResult::Overflow},
                                           Mode{{"--delay", "150"}, LinkResult::Ok},
                                           Mode{{"--delay", "700"}, LinkResult::NoAnswer},
                                           Mode{{"--pace", "--delay", "20"}, LinkResult::Ok}));

TEST_F(PtyLinkTest, TheLongestRequestEchoesInTimeAtTheLinesSpeed) {
  EcusimProcess sim({"--pace"});
  ASSERT_TRUE(connect(sim));
  // A passport field write: 20 bytes, the text in code page 866 ("ГАЗ-31105"), zero-padded.
  Bytes write = {ecu::kWriteValues,
                 ecu::kCommand,
                 ecu::kCommandStore,
                 0x74,
                 0x83,
                 0x80,
                 0x87,
                 '-',
                 '3',
                 '1',
                 '1',
                 '0',
                 '5'};
  write.resize(20, 0x00);
  ASSERT_EQ(send(write), LinkResult::Ok);
  EXPECT_EQ(link.ResponseBuffer()[0], ecu::kCompletionDone);

  ASSERT_EQ(send({ecu::kReadValues, 0x74}), LinkResult::Ok);
  ASSERT_EQ(link.answerLength(), 16u);
  EXPECT_TRUE(std::equal(write.begin() + 4, write.end(), link.ResponseBuffer().begin()));
}

TEST_F(PtyLinkTest, TheEcuCanRefuseAWrite) {
  EcusimProcess sim({"--refuse", "7"});
  ASSERT_TRUE(connect(sim));
  ASSERT_EQ(send({ecu::kWriteValues, ecu::kCommand, ecu::kCommandClearFaults}), LinkResult::Ok);
  EXPECT_EQ(link.ResponseBuffer()[0], 7);
}

TEST_F(PtyLinkTest, AnAdapterPulledOutClosesThePort) {
  EcusimProcess sim({"--unplug-at", "2"});
  ASSERT_TRUE(connect(sim));
  ASSERT_EQ(send({ecu::kWakeUp}), LinkResult::Ok);
  EXPECT_NE(send({ecu::kWakeUp}), LinkResult::Ok);
  // The hang-up shows in the transaction it cut short, or at the latest in the next one.
  if (shared.isOpen()) send({ecu::kWakeUp});
  EXPECT_FALSE(shared.isOpen());
  EXPECT_TRUE(shared.lost());
}

TEST_F(PtyLinkTest, ABusyPortCannotBeOpenedTwice) {
  EcusimProcess sim;
  ASSERT_TRUE(connect(sim));

  PosixSerialPort otherDevice;
  SharedPort other{otherDevice};
  EXPECT_FALSE(other.openPort(1));
  EXPECT_FALSE(other.isOpen());

  shared.close();
  EXPECT_TRUE(other.openPort(1));
}

TEST_F(PtyLinkTest, MissingDevicesDoNotOpen) {
  ::setenv("VORTLEN3_COM1", "/nonexistent/ttyUSB9", 1);
  EXPECT_FALSE(shared.openPort(1));
  ::setenv("VORTLEN3_COM1", "/dev/null", 1);  // exists, but is no serial port
  EXPECT_FALSE(shared.openPort(1));
  EXPECT_EQ(send({ecu::kWakeUp}), LinkResult::PortNotOpen);
}

TEST_F(PtyLinkTest, TheSimulatorVanishingMidTransactionEndsItWithoutHanging) {
  auto sim = std::make_unique<EcusimProcess>(std::vector<std::string>{"--pace", "--delay", "300"});
  ASSERT_TRUE(connect(*sim));
  std::thread killer([&sim] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sim->kill();
  });
  const LinkResult during = send(kSetOne);
  killer.join();
  EXPECT_NE(during, LinkResult::Ok);
  EXPECT_LT(elapsed, kTransactionBound);

  // The port is still "open" but nobody is at the other end: every later try fails quickly.
  const LinkResult after = send(kSetOne);
  EXPECT_NE(after, LinkResult::Ok);
  EXPECT_LT(elapsed, kTransactionBound);
}

TEST_F(PtyLinkTest, AStuckDeviceDoesNotFreezeAWrite) {
  // A terminal whose other end never reads: once its buffers are full it takes nothing more.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  ::setenv("VORTLEN3_COM1", ::ptsname(master), 1);
  ASSERT_TRUE(shared.openPort(1));

  const std::vector<std::uint8_t> flood(1 << 20, 0x55);
  const auto start = Clock::now();
  const std::size_t taken = device.write(flood.data(), flood.size());
  const auto took = Clock::now() - start;
  EXPECT_LT(taken, flood.size());
  EXPECT_GE(took, std::chrono::milliseconds(PosixSerialPort::kWriteStallMs - 100));
  EXPECT_LT(took, std::chrono::milliseconds(PosixSerialPort::kWriteStallMs + 1000));
  shared.close();
  ::close(master);
}

TEST_F(PtyLinkTest, TheSimulatorLogsRequestsAndEndsCleanlyOnSignals) {
  for (int signal : {SIGINT, SIGTERM}) {
    EcusimProcess sim({"--log"});
    ASSERT_TRUE(connect(sim));
    ASSERT_EQ(send({ecu::kFirstText}), LinkResult::Ok);
    shared.close();
    const int status = sim.stop(signal);
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << signal;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(sim.errorOutput().find("51"), std::string::npos) << sim.errorOutput();
  }
}

}  // namespace
}  // namespace vortlen
