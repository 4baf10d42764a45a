#include "oem_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace vortlen {
namespace {

std::string fromOem(std::vector<std::uint8_t> bytes) {
  return oemToUtf8(bytes);
}

TEST(OemTextTest, CodePage866) {
  EXPECT_EQ(fromOem({0x8C, 0xA8, 0xAA, 0xA0, 0xE1, ' ', '7', '.', '1'}), "Микас 7.1");
  EXPECT_EQ(fromOem({0x87, 0x8C, 0x87, '-', '4', '0', '6', '2', '.', '1', '0'}), "ЗМЗ-4062.10");
  EXPECT_EQ(fromOem({0xF0, 0xF1, 0x9F, 0xAF, 0xE0, 0xEF}), "ЁёЯпря");
  EXPECT_EQ(fromOem({0xB0, 0xC4, 0xCE, 0xDB, 0xDF}), "░─╬█▀");
  EXPECT_EQ(fromOem({0xF2, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF}),
            "Єў°∙·√№¤■\u00A0");

  std::set<std::string> distinct;
  for (int b = 0x80; b <= 0xFF; ++b) distinct.insert(fromOem({static_cast<std::uint8_t>(b)}));
  EXPECT_EQ(distinct.size(), 128u);
}

TEST(OemTextTest, EcuTextStopsAtZeroOrLengthAndTrimsBlanks) {
  std::vector<std::uint8_t> header = {' ', ' ', 'A', 'B', 'C'};
  header.resize(17, 0);
  EXPECT_EQ(ecuText(header, header.size()), "ABC");

  const std::vector<std::uint8_t> text = {'A', ' ', 'B', 0, 'C', 'D'};
  EXPECT_EQ(ecuText(text, 1), "A");
  EXPECT_EQ(ecuText(text, 100), "A B");
  EXPECT_EQ(ecuText(std::vector<std::uint8_t>{' ', 0xFF, 0x8C, ' '}, 4), "\u00A0М");
  EXPECT_EQ(ecuText({}, 8), "");
}

}  // namespace
}  // namespace vortlen
