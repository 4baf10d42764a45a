// With every heap allocation of the program counted, a transaction is shown to make none: the
// link runs on every poll tick for hours.
#include <gtest/gtest.h>

#include <cstdlib>

#include "counting_new.h"
#include "ecu_link.h"
#include "ecu_services.h"
#include "scripted_port.h"

namespace vortlen {
namespace {

TEST(NoAllocationTest, TransactionsAllocateNothing) {
  test::ScriptedPort port;
  SharedPort shared{port};
  auto link = std::make_unique<EcuLink>(shared);
  // A good answer, a failed echo, a silent ECU: every path of a transaction.
  port.chunk({0x01, 0x02, 0xFD, 0x0D});
  port.silence(40);

  const long before = test::heapAllocations();
  EXPECT_EQ(link->transact(ecu::releaseRequest), LinkResult::Ok);
  EXPECT_EQ(link->transact(ecu::releaseRequest), LinkResult::NoAnswer);
  port.echo = false;
  EXPECT_EQ(link->transact(ecu::releaseRequest), LinkResult::AdapterOff);
  EXPECT_EQ(test::heapAllocations(), before);

  // Nor with the wire trace on, and a link lost with an override on the line, whose release
  // goes first when the link is back.
  WireTrace trace;
  ASSERT_TRUE(trace.open("/dev/null"));
  shared.setTrace(&trace);
  const std::array<std::uint8_t, 5> override = {0x62, 0x0B, 0x80, 0x1A, 0x64};
  const std::array<std::uint8_t, 1> wakeUp = {0x01};
  const long traced = test::heapAllocations();
  EXPECT_EQ(link->transact(override), LinkResult::AdapterOff);
  port.echo = true;
  port.chunk({0x00, 0x00, 0x0D});
  port.chunk({0x01, 0x02, 0xFD, 0x0D});
  EXPECT_EQ(link->transact(wakeUp), LinkResult::Ok);
  EXPECT_EQ(test::heapAllocations(), traced);
  EXPECT_FALSE(shared.ledger().held()) << "the release went first";

  // The counter itself works: a real allocation is seen.
  auto probe = std::make_unique<int>(1);
  EXPECT_GT(test::heapAllocations(), before);
}

}  // namespace
}  // namespace vortlen

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
