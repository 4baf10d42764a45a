#include "pty_server.h"

#include <gtest/gtest.h>

#include <thread>

#include "ecu_link.h"
#include "ecu_services.h"
#include "posix_serial_port.h"
#include "shared_port.h"

namespace vortlen::sim {
namespace {

// Serves in a thread of this process for as long as it lives.
class ServingThread {
 public:
  explicit ServingThread(PtyServer& server)
      : server_(server), thread_([&server] { server.serve(); }) {}
  ~ServingThread() {
    server_.stop();
    thread_.join();
  }

 private:
  PtyServer& server_;
  std::thread thread_;
};

// The real serial port code against the server.
TEST(PtyServerTest, ServesTransactionsToOneClientAtATime) {
  EcuModel ecu;
  AdapterOptions paced;
  paced.pace = true;
  AdapterModel adapter(ecu, paced);
  PtyServer server(adapter);
  ASSERT_TRUE(server.open());
  ASSERT_FALSE(server.path().empty());
  {
    ServingThread serving(server);
    for (int client = 0; client < 2; ++client) {  // the second finds the line as the first left it
      PosixSerialPort device;
      ASSERT_TRUE(device.open(server.path().c_str()));
      PosixSerialPort rival;
      EXPECT_FALSE(rival.open(server.path().c_str())) << "the port is taken";

      SharedPort shared(device);
      EcuLink link(shared);
      ASSERT_EQ(link.transact(std::array<std::uint8_t, 1>{ecu::kFirstText}), LinkResult::Ok);
      EXPECT_EQ(link.answerLength(), ecu::kTextLength);
      const std::array<std::uint8_t, 3> fields = {ecu::kReadValues, 0x1A, 0x2C};
      ASSERT_EQ(link.transact(fields), LinkResult::Ok);
      EXPECT_EQ(link.answerLength(), 2u);
    }
  }
  EXPECT_EQ(ecu.requests().size(), 4u);
}

// Behind a bridge the same bytes arrive, in bursts: a fuel table of several full packets, then a
// short answer that waits for the timer.
TEST(PtyServerTest, ABridgeInFrontCarriesTheSameTransactions) {
  EcuModel ecu;
  AdapterOptions paced;
  paced.pace = true;
  AdapterModel adapter(ecu, paced);
  PtyServer server(adapter);
  server.setUsbLatency(std::chrono::milliseconds(16));
  ASSERT_TRUE(server.open());
  ServingThread serving(server);
  PosixSerialPort device;
  ASSERT_TRUE(device.open(server.path().c_str()));
  SharedPort shared(device);
  EcuLink link(shared);
  const std::array<std::uint8_t, 2> table = {ecu::kReadValues, ecu::kFirstTable};
  ASSERT_EQ(link.transact(table), LinkResult::Ok);
  ASSERT_EQ(link.answerLength(), ecu::kTableLength);
  const std::array<std::uint8_t, 3> fields = {ecu::kReadValues, 0x1A, 0x2C};
  ASSERT_EQ(link.transact(fields), LinkResult::Ok);
  EXPECT_EQ(link.answerLength(), 2u);
}

TEST(PtyServerTest, AStopBeforeServingEndsItAtOnce) {
  EcuModel ecu;
  AdapterModel adapter(ecu);
  PtyServer server(adapter);
  ASSERT_TRUE(server.open());
  server.stop();
  server.serve();
  SUCCEED();
}

}  // namespace
}  // namespace vortlen::sim
