#include "usb_bridge.h"

#include <gtest/gtest.h>

#include <chrono>

namespace vortlen::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

TEST(UsbBridgeTest, HandsTheBytesOverAtTheTimersTickOrWhenAPacketIsFull) {
  UsbBridge bridge(milliseconds(16));
  std::vector<std::uint8_t> out;
  // A byte a millisecond from 5 ms on: those up to 15 ms go at the tick of 16 ms; the one that
  // comes on the tick and those after it wait for the tick of 32 ms.
  for (int i = 0; i < 20; ++i) bridge.receive(static_cast<std::uint8_t>(i), milliseconds(5 + i));
  EXPECT_EQ(bridge.nextRelease(), milliseconds(16));
  EXPECT_EQ(bridge.release(milliseconds(16) - microseconds(1), out), 0u);
  EXPECT_EQ(bridge.release(milliseconds(16), out), 11u);
  EXPECT_EQ(bridge.nextRelease(), milliseconds(32));
  EXPECT_EQ(bridge.release(milliseconds(31), out), 0u);
  EXPECT_EQ(bridge.release(milliseconds(32), out), 9u);
  EXPECT_EQ(bridge.nextRelease(), std::nullopt);

  // 70 bytes at once: a full packet goes the moment its last byte comes, the rest at the tick.
  for (int i = 20; i < 90; ++i) bridge.receive(static_cast<std::uint8_t>(i), milliseconds(40));
  EXPECT_EQ(bridge.release(milliseconds(40), out), UsbBridge::kPacketBytes);
  EXPECT_EQ(bridge.nextRelease(), milliseconds(48));
  EXPECT_EQ(bridge.release(milliseconds(48), out), 8u);

  ASSERT_EQ(out.size(), 90u);
  for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], i) << "the order is kept";
}

}  // namespace
}  // namespace vortlen::sim
