#include "parameter_catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <algorithm>
#include <clocale>
#include <optional>
#include <string>
#include <vector>

#include "resource_ids.h"

namespace vortlen {
namespace {

// An answer of the set's full length, zero but for `raw` in the slot's place.
std::vector<std::uint8_t> answerWith(int set, std::size_t slot, unsigned raw) {
  const ParameterDef& def = parameterSet(set).slots[slot - 1];
  std::vector<std::uint8_t> answer(parameterSet(set).answerLength, 0);
  answer[def.offset] = static_cast<std::uint8_t>(raw);
  if (def.width == 2) answer[def.offset + 1] = static_cast<std::uint8_t>(raw >> 8);
  return answer;
}

TEST(ParameterCatalogueTest, RequestsCommandsAndOffsetsAgreeWithTheAnswerLayout) {
  const std::size_t lengths[] = {16, 17, 14, 16, 14};
  const SetRequest prefix = {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54};
  for (int n = 1; n <= kSetCount; ++n) {
    const ParameterSet& set = parameterSet(n);
    EXPECT_EQ(set.command, ids::kSetCommands[n - 1]) << n;
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.begin() + 7, set.request.begin())) << n;
    std::size_t offset = kStatusBytes;
    for (std::size_t i = 0; i < kSlotCount; ++i) {
      EXPECT_EQ(set.request[7 + i], set.slots[i].code) << n << "/" << i + 1;
      EXPECT_EQ(set.slots[i].offset, offset) << n << "/" << i + 1;
      offset += set.slots[i].width;
    }
    EXPECT_EQ(offset, set.answerLength) << n;
    EXPECT_EQ(set.answerLength, lengths[n - 1]) << n;
  }
  EXPECT_EQ(parameterSet(0).number, 1);
  EXPECT_EQ(parameterSet(6).number, 1);
  EXPECT_STREQ(parameterSet(3).slots[7].caption, "Напряж.  в канале RDIA (вольт)");
  EXPECT_STREQ(parameterSet(1).slots[5].caption, "Разряжение за дросс. заслонкой (м.бар)");
  EXPECT_STREQ(parameterSet(5).slots[1].caption, "Корр.сечения РДВ отн. базового (%)");
}

struct SlotCase {
  int set;
  std::size_t slot;
  unsigned raw;
  const char* text;
  std::optional<int> bar;
  int shown;  // the bar clamped to the slot's range
};

class SlotDecodingTest : public testing::TestWithParam<SlotCase> {};

TEST_P(SlotDecodingTest, TextAndBar) {
  const SlotCase& c = GetParam();
  const SetReading reading = decodeSetAnswer(c.set, answerWith(c.set, c.slot, c.raw));
  const ParameterDef& def = parameterSet(c.set).slots[c.slot - 1];
  EXPECT_EQ(reading.texts[c.slot - 1], c.text);
  EXPECT_EQ(reading.bars[c.slot - 1], c.bar);
  if (c.bar) {
    EXPECT_EQ(clampBar(*c.bar, def.barMin, def.barMax), c.shown);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SlotDecodingTest,
    testing::Values(SlotCase{1, 1, 0x00, "-40", 0, 115}, SlotCase{1, 1, 0xFF, "215", 255, 138},
                    SlotCase{1, 2, 154, "14", 154, 154}, SlotCase{1, 2, 150, "13.64", 150, 150},
                    SlotCase{1, 4, 0xF6, "-5", {}, 0}, SlotCase{1, 4, 0x19, "12.5", 25, 25},
                    SlotCase{1, 4, 119, "59.5", 119, 40}, SlotCase{1, 4, 120, "60", {}, 0},
                    SlotCase{1, 6, 0x0123, "291", 291, 291},
                    SlotCase{1, 8, 3000, "500", 3000, 2900}, SlotCase{2, 4, 0x80, "-0.5", -1, 95},
                    SlotCase{2, 4, 0xFF, "-0.004", 126, 126}, SlotCase{2, 5, 0x80, "1", 128, 128},
                    SlotCase{2, 6, 1000, "8", 1000, 600}, SlotCase{3, 8, 255, "5", 255, 255},
                    SlotCase{4, 3, 0xF8, "-8", 120, 120}, SlotCase{4, 4, 0x3A, "3:10", 0x3A, 0x3A},
                    SlotCase{4, 7, 3000, "500.1", 3000, 2048},
                    SlotCase{5, 1, 0xFF, "102", 102, 100}, SlotCase{5, 7, 27, "162", 162, 162}),
    [](const ::testing::TestParamInfo<SlotCase>& info) {
      return "set" + std::to_string(info.param.set) + "_slot" + std::to_string(info.param.slot) +
             "_raw" + std::to_string(info.param.raw);
    });

TEST(DecodeSetAnswerTest, ShortAnswersReadOnlyWhatArrived) {
  // Set 2 cut inside slot 6; exact-size vectors let ASan see any read past the answer.
  std::vector<std::uint8_t> answer = {0x05, 0x80, 0x01, 0x07, 0x00, 0xFF,
                                      0x8E, 0x1C, 0x20, 0x00, 0x80, 0xE8};
  SetReading reading = decodeSetAnswer(2, answer);
  EXPECT_EQ(reading.modeFlags, 0x8005);
  EXPECT_EQ(reading.cylinderFlags, (std::array<std::uint8_t, 4>{0x01, 0x07, 0x00, 0xFF}));
  EXPECT_EQ(reading.texts[4], "1");
  EXPECT_EQ(reading.texts[5], "");
  EXPECT_FALSE(reading.bars[7]);

  answer.resize(3);
  reading = decodeSetAnswer(2, answer);
  EXPECT_EQ(reading.modeFlags, 0x8005);
  EXPECT_EQ(reading.cylinderFlags, (std::array<std::uint8_t, 4>{0x01, 0, 0, 0}));
  EXPECT_EQ(reading.texts[0], "");
  EXPECT_FALSE(reading.bars[0]);
}

TEST(DecodeSetAnswerTest, TrimZerosStopsAtThePoint) {
  EXPECT_EQ(trimZeros("0.000"), "0");
  EXPECT_EQ(trimZeros("100.0"), "100");
  EXPECT_EQ(trimZeros("-0.50"), "-0.5");
}

// A locale whose decimal point is a comma: the system's, or (on Linux) one built in a folder of
// our own.
const char* useCommaLocale([[maybe_unused]] const std::filesystem::path& privateFolder) {
#ifdef _WIN32
  const char* const names[] = {"ru-RU", "Russian_Russia.1251", "de-DE", "German_Germany.1252"};
#else
  const char* const names[] = {"ru_RU.UTF-8", "ru_RU.utf8", "de_DE.UTF-8", "de_DE.utf8"};
#endif
  for (const char* name : names) {
    if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') return name;
  }
#ifndef _WIN32
  std::filesystem::create_directories(privateFolder);
  const std::string command = "localedef -i ru_RU -f UTF-8 '" +
                              (privateFolder / "ru_RU.UTF-8").string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) == -1) return nullptr;
  setenv("LOCPATH", privateFolder.c_str(), 1);
  if (std::setlocale(LC_ALL, "ru_RU.UTF-8") && *std::localeconv()->decimal_point == ',') {
    return "ru_RU.UTF-8";
  }
#endif
  return nullptr;
}

TEST(DecodeSetAnswerTest, DecimalPointIgnoresTheUserLocale) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  const auto folder =
      std::filesystem::temp_directory_path() / ("vortlen3-locale-" + std::to_string(getpid()));
  const char* found = useCommaLocale(folder);
  const std::string text = decodeSetAnswer(1, answerWith(1, 2, 150)).texts[1];
  std::setlocale(LC_ALL, previous.c_str());
#ifndef _WIN32
  unsetenv("LOCPATH");
#endif
  std::filesystem::remove_all(folder);
  if (!found) GTEST_SKIP() << "no locale with a decimal comma could be had";
  EXPECT_EQ(text, "13.64") << found;
}

}  // namespace
}  // namespace vortlen
