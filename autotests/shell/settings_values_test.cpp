#include "settings_values.h"

#include <gtest/gtest.h>

#include "window_fakes.h"

namespace vortlen {
namespace {

TEST(SettingsValuesTest, AFirstRunReadsEveryDefault) {
  test::MemorySettings store;
  const MainSettings main = readMainSettings(store);
  EXPECT_EQ(main.showState, 3u);
  EXPECT_EQ(main.activeSet, 1);
  EXPECT_EQ(main.portNumber, 1u);
  const GraphSettings graph = readGraphSettings(store);
  EXPECT_EQ(graph.activeSet, 1);
  EXPECT_EQ(graph.lineLength, 4);
  EXPECT_EQ(graph.enlargedMask, (std::array<std::uint8_t, 4>{}));
  EXPECT_TRUE(graph.blackOnWhite);
  const BalanceSettings balance = readBalanceSettings(store);
  EXPECT_EQ(balance.targetSpeed, 1000u);
  EXPECT_EQ(balance.cycles, 30u);
  EXPECT_EQ(balance.imbalance, 30u);
  EXPECT_TRUE(store.values.empty()) << "reading writes nothing";
}

TEST(SettingsValuesTest, ValuesOutOfRangeFallBackOrLoseTheirExtraBits) {
  struct Row {
    const char* key;
    std::uint32_t stored;
    std::uint32_t read;
  };
  const Row rows[] = {
      {"Главное/Набор", 0, 1},
      {"Главное/Набор", 5, 5},
      {"Главное/Набор", 6, 1},
      {"Главное/КомПорт", 4, 4},
      {"Главное/КомПорт", 7, 1},
      {"Главное/КомПорт", 0, 1},
      {"Главное/РазмерОкна", 2, 2},
      {"Главное/РазмерОкна", 6, 2},
      {"Главное/РазмерОкна", 4, 3},
      {"График/Nabor", 0, 1},
      {"График/Nabor", 4, 4},
      {"График/Nabor", 5, 1},
      {"График/LenLine", 0, 4},
      {"График/LenLine", 20, 20},
      {"График/LenLine", 21, 4},
      {"График/MaxText1", 0xFF, 0x7F},
      {"График/MaxText4", 0x85, 0x05},
      {"График/Face", 2, 0},
      {"График/Face", 3, 1},
      // The balance test's combo boxes give back nine characters: longer numbers are unreadable.
      {"Механизмы/Обороты", 999999999, 999999999},
      {"Механизмы/Обороты", 4294967291u, 1000},
      {"Механизмы/Циклы", 1000000000, 30},
      {"Механизмы/Дисбаланс", 4294967295u, 30},
  };
  for (const Row& row : rows) {
    test::MemorySettings store;
    store.values[row.key] = row.stored;
    const MainSettings main = readMainSettings(store);
    const GraphSettings graph = readGraphSettings(store);
    const BalanceSettings balance = readBalanceSettings(store);
    const std::uint32_t read = [&]() -> std::uint32_t {
      const std::string key = row.key;
      if (key == "Механизмы/Обороты") return balance.targetSpeed;
      if (key == "Механизмы/Циклы") return balance.cycles;
      if (key == "Механизмы/Дисбаланс") return balance.imbalance;
      if (key == "Главное/Набор") return static_cast<std::uint32_t>(main.activeSet);
      if (key == "Главное/КомПорт") return main.portNumber;
      if (key == "Главное/РазмерОкна") return main.showState;
      if (key == "График/Nabor") return static_cast<std::uint32_t>(graph.activeSet);
      if (key == "График/LenLine") return static_cast<std::uint32_t>(graph.lineLength);
      if (key == "График/MaxText1") return graph.enlargedMask[0];
      if (key == "График/MaxText4") return graph.enlargedMask[3];
      return graph.blackOnWhite ? 1u : 0u;
    }();
    EXPECT_EQ(read, row.read) << row.key << "=" << row.stored;
  }
}

TEST(SettingsValuesTest, WhatIsWrittenReadsBack) {
  test::MemorySettings store;
  writeMainSettings(store, {2, 4, 3});
  writeGraphSettings(store, {3, 17, {1, 0x7F, 0, 64}, false});
  writeBalanceSettings(store, {850, 12, 7});
  const MainSettings main = readMainSettings(store);
  EXPECT_EQ(main.showState, 2u);
  EXPECT_EQ(main.activeSet, 4);
  EXPECT_EQ(main.portNumber, 3u);
  const GraphSettings graph = readGraphSettings(store);
  EXPECT_EQ(graph.activeSet, 3);
  EXPECT_EQ(graph.lineLength, 17);
  EXPECT_EQ(graph.enlargedMask, (std::array<std::uint8_t, 4>{1, 0x7F, 0, 64}));
  EXPECT_FALSE(graph.blackOnWhite);
  EXPECT_EQ(store.values.at("Механизмы/Обороты"), 850u);
  EXPECT_EQ(readBalanceSettings(store).imbalance, 7u);
}

TEST(SettingsValuesTest, ComboTextsBecomeTheirLeadingNumber) {
  const std::pair<const char*, std::uint32_t> rows[] = {
      {"12abc", 12},
      {"", 0},
      {"abc", 0},
      {"  850", 850},
      {"+45", 45},
      {"-900", 0u - 900u},
      {"1 2", 1},
      {"1234567890", 123456789},
      {"    12345", 12345},
      {"     123456", 1234},
      {"-", 0},
  };
  for (const auto& [text, number] : rows)
    EXPECT_EQ(leadingNumber(text), number) << '"' << text << '"';
}

}  // namespace
}  // namespace vortlen
