#include "frame_codec.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace vortlen {
namespace {

TEST(FrameCodecTest, EveryByteSurvivesTheRoundTripAndNoTerminatorHidesInside) {
  std::array<std::uint8_t, 256> data{};
  for (int i = 0; i < 256; ++i) data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  std::vector<std::uint8_t> frame(maxFrameLength(data.size()));
  const std::size_t length = encodeFrame(data.data(), data.size(), frame.data());
  ASSERT_EQ(length, 256u + 2 + 2);  // 0x0D and 0x40 escaped; the checksum 0x80 is not
  for (std::size_t i = 0; i + 1 < length; ++i) ASSERT_NE(frame[i], 0x0D) << i;
  EXPECT_EQ(frame[length - 1], 0x0D);

  std::array<std::uint8_t, 257> decoded{};
  const FrameBody body = decodeFrameBody(frame.data(), length - 1, decoded.data(), decoded.size());
  EXPECT_EQ(body.decodedCount, 257u);
  EXPECT_EQ(body.sum, 0);
  EXPECT_FALSE(body.danglingEscape);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(decoded[static_cast<std::size_t>(i)], i);
}

TEST(FrameCodecTest, DecodingStoresOnlyWhatFitsButSumsEverything) {
  const std::uint8_t raw[] = {0x10, 0x20, 0x40, 0x00, 0x30};
  std::array<std::uint8_t, 2> out{};
  const FrameBody body = decodeFrameBody(raw, sizeof raw, out.data(), out.size());
  EXPECT_EQ(body.decodedCount, 4u);
  EXPECT_EQ(body.sum, 0xA0);
  EXPECT_EQ(out[0], 0x10);
  EXPECT_EQ(out[1], 0x20);

  const std::uint8_t dangling[] = {0x10, 0x40};
  const FrameBody cut = decodeFrameBody(dangling, sizeof dangling, nullptr, 0);
  EXPECT_TRUE(cut.danglingEscape);
  EXPECT_EQ(cut.decodedCount, 1u);
}

}  // namespace
}  // namespace vortlen
