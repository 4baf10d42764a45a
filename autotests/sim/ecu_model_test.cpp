#include "ecu_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "ecu_services.h"

namespace vortlen::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

FuelTable factorOne() {
  FuelTable table;
  table.fill(0x80);
  return table;
}

class EcuModelTest : public ::testing::Test {
 protected:
  Bytes ask(const Bytes& request) {
    const std::optional<Bytes> reply = ecu.answer(request);
    EXPECT_TRUE(reply.has_value());
    return reply.value_or(Bytes{});
  }

  std::uint8_t write(const Bytes& request) {
    const Bytes reply = ask(request);
    EXPECT_EQ(reply.size(), 1u);
    return reply.empty() ? 0xFF : reply[0];
  }

  EcuModel ecu;
};

struct ReadCase {
  Bytes request;
  std::size_t answerLength;
};

class ReadLengths : public EcuModelTest, public ::testing::WithParamInterface<ReadCase> {};

// Every read the windows send, with the length their decoders rely on.
TEST_P(ReadLengths, AnswerAllCodesInTheirWidths) {
  EXPECT_EQ(ask(GetParam().request).size(), GetParam().answerLength);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, ReadLengths,
    ::testing::Values(ReadCase{{0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A, 0x63, 0x29, 0x26,
                                0x35, 0x23, 0x5C, 0x34},
                               16},
                      ReadCase{{0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A, 0x1C, 0x20, 0x41,
                                0x39, 0x3F, 0x21, 0x40},
                               17},
                      ReadCase{{0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x61, 0x67, 0x68, 0x69,
                                0x62, 0x64, 0x65, 0x66},
                               14},
                      ReadCase{{0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x4D, 0x4E, 0x2D, 0x38,
                                0x5E, 0x5F, 0x33, 0x3C},
                               16},
                      ReadCase{{0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0xB1, 0x5D, 0x9B, 0x17,
                                0x60, 0x16, 0x18, 0x2E},
                               14},
                      ReadCase{{0x61, 0x23, 0x29, 0x26, 0x51, 0x52, 0x53, 0x54}, 8},
                      ReadCase{{0x61, 0x20, 0x29, 0x26, 0x34, 0x39, 0x3F, 0x21}, 10},
                      ReadCase{{0x61, 0x1A, 0x26, 0x23, 0x2C}, 5},
                      ReadCase{{0x61, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, 6},
                      ReadCase{{0x61, 0x74}, 16}, ReadCase{{0x61, 0x7B}, 16},
                      ReadCase{{0x61, 0x49}, 256}, ReadCase{{0x61, 0x4C}, 256},
                      ReadCase{{0x58}, 16}, ReadCase{{0x01}, 1}, ReadCase{{0x02}, 7}));

TEST_F(EcuModelTest, ValuesComeInRequestOrderLowByteFirst) {
  const Bytes reply = ask(
      {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A, 0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34});
  ASSERT_EQ(reply.size(), 16u);
  EXPECT_EQ(reply[0] | reply[1] << 8, 0x0044) << "idle and mixture regulation";
  EXPECT_EQ(reply[6], ecu.value(0x1A));
  EXPECT_NEAR(reply[7] * 0.09093, 14.0, 0.1);
  EXPECT_EQ(reply[8], ecu.value(0x29));
  EXPECT_EQ(reply[11] | reply[12] << 8, ecu.value(0x23));
  EXPECT_EQ(reply[13], ecu.value(0x5C));
  EXPECT_EQ(reply[14] | reply[15] << 8, ecu.value(0x34));
  EXPECT_GT(ecu.value(0x23), 255) << "the vacuum needs its high byte";

  const Bytes twice = ask({0x61, 0x2C, 0x1A, 0x2C});
  ASSERT_EQ(twice.size(), 3u);
  EXPECT_EQ(twice[0], twice[2]);
  EXPECT_EQ(twice[1], ecu.value(0x1A));
}

TEST_F(EcuModelTest, TextsAreSixteenBytesOfCodePage866) {
  const Bytes type = ask({0x51});
  const Bytes expected = {0x8C, 0x88, 0x8A, 0x80, 0x91, ' ', '7', '.',
                          '1',  ' ',  ' ',  ' ',  ' ',  ' ', ' ', ' '};
  EXPECT_EQ(type, expected);  // "МИКАС 7.1" and blanks
  const Bytes engine = ask({0x58});
  EXPECT_EQ(Bytes(engine.begin(), engine.begin() + 4), (Bytes{0x87, 0x8C, 0x87, '-'}));  // "ЗМЗ-"
}

TEST_F(EcuModelTest, StoredFieldsAndFlagsNeedTheStoreCommandFirst) {
  Bytes request = {0x62, 0x0E, 0x01, 0x76};
  const Bytes text = {'3', '.', '0', '2', 0xA2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  request.insert(request.end(), text.begin(), text.end());
  ASSERT_EQ(request.size(), 20u);
  EXPECT_EQ(write(request), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x76}), text);

  EXPECT_EQ(write({0x62, 0x0E, 0x01, 0x73, 0x01}), ecu::kCompletionDone);
  EXPECT_EQ(write({0x62, 0x0E, 0x01, 0x78, 0x05}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x73, 0x78}), (Bytes{0x01, 0x05}));

  // Without the command the field is refused and stays as it was.
  Bytes bare = {0x62, 0x76};
  bare.insert(bare.end(), 16, 'X');
  EXPECT_EQ(write(bare), kRefuseNotWritable);
  EXPECT_EQ(ask({0x61, 0x76}), text);
}

TEST_F(EcuModelTest, ZeroingATableSetsItsFactorsToOne) {
  const FuelTable before = ecu.table(1);
  EXPECT_GT(std::count_if(before.begin(), before.end(), [](auto cell) { return cell != 0x80; }),
            200);

  EXPECT_EQ(write({0x62, 0x0E, 0x20, 0x0E, 0x20}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x4A}), Bytes(256, 0x80));
  EXPECT_EQ(ecu.table(1), before) << "only table 2 is zeroed";
  EXPECT_EQ(write({0x62, 0x0E, 0x80}), ecu::kCompletionDone);
  EXPECT_EQ(ecu.table(4), factorOne());
}

TEST_F(EcuModelTest, ClearingFaultsKeepsTheOnePresentNow) {
  const Bytes list = ask({0x02});
  ASSERT_EQ(list[0], 3);
  std::uint8_t seen = 0;
  for (int i = 0; i < list[0]; ++i) seen |= list[2 + 2 * i];
  EXPECT_EQ(seen, kFaultPresent | kFaultOnce | kFaultManyTimes);

  EXPECT_EQ(write({0x62, 0x0E, 0x0A, 0x0E, 0x0A, 0x0E, 0x0A}), ecu::kCompletionDone);
  const Bytes after = ask({0x02});
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0], 1);
  EXPECT_NE(after[2] & kFaultPresent, 0);

  ecu.setFaults({});
  EXPECT_EQ(ask({0x02}), Bytes{0x00});
}

TEST_F(EcuModelTest, OverriddenValuesAreReadWhileTheirMaskBitIsSet) {
  const auto ownCoolant = ecu.value(0x1A);
  EXPECT_EQ(write({0x62, 0x0B, 0xA0, 0x1A, 0x64}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x1A}), Bytes{0x64});
  EXPECT_EQ(write({0x62, 0x0B, 0x04, 0x26, 0x1E}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x26, 0x1A}), (Bytes{0x1E, static_cast<std::uint8_t>(ownCoolant)}));

  // A CO trim holds while the CO mask is set and is kept only when stored.
  EXPECT_EQ(write({0x62, 0x0C, 0x18, 0x41, 0xEC}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x41}), Bytes{0xEC});
  EXPECT_EQ(write({0x62, 0x0C, 0x00, 0x0E, 0x00}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x41}), Bytes{0x00});
  EXPECT_EQ(write({0x62, 0x0C, 0x18, 0x41, 0xEC}), ecu::kCompletionDone);
  EXPECT_EQ(write({0x62, 0x0E, 0x01, 0x7C, 0x01}), ecu::kCompletionDone);
  EXPECT_EQ(write({0x62, 0x0C, 0x00, 0x0E, 0x00}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x41}), Bytes{0xEC});

  // Relays under tester control read back as written; the release request frees everything.
  EXPECT_EQ(write({0x62, 0x0A, 0x1F, 0x09, 0x02, 0x0D, 0x05, 0x0D, 0x05}), ecu::kCompletionDone);
  EXPECT_EQ(ask({0x61, 0x09, 0x0D}), (Bytes{0x02, 0x05}));
  EXPECT_EQ(write(Bytes(ecu::releaseRequest.begin(), ecu::releaseRequest.end())),
            ecu::kCompletionDone);
  EXPECT_EQ(ecu.relayMask() | ecu.overrideMask() | ecu.coMask() | ecu.injectorCut(), 0);
  EXPECT_EQ(ask({0x61, 0x1A}), Bytes{static_cast<std::uint8_t>(ownCoolant)});
  EXPECT_EQ(ask({0x61, 0x09})[0] & 0x08, 0x08) << "the ECU runs the fuel pump again";
}

TEST_F(EcuModelTest, RefusedAndMalformedWritesChangeNothing) {
  EXPECT_EQ(write({0x62, 0x0B}), kRefuseTruncated);
  EXPECT_EQ(write({0x62, 0x0A, 0x1F, 0x09}), kRefuseTruncated);
  EXPECT_EQ(write({0x62, 0x0E, 0x01, 0x74, 'A', 'B'}), kRefuseTruncated);
  EXPECT_EQ(write({0x62, 0x0E, 0x33}), kRefuseUnknownCommand);
  EXPECT_EQ(write({0x62, 0x0A, 0x1F, 0x2C, 0x50}), kRefuseNotWritable);
  EXPECT_EQ(ecu.relayMask(), 0) << "a refused request applies none of its pairs";

  ecu.setRefusal(5);
  EXPECT_EQ(write({0x62, 0x0A, 0x1F, 0x09, 0x01}), 5);
  EXPECT_EQ(write({0x62, 0x0E, 0x10}), 5);
  EXPECT_EQ(write({0x41, 0x00, 0x00}), 5);
  EXPECT_EQ(ecu.relayMask(), 0);
  EXPECT_NE(ecu.table(1), factorOne());

  ecu.setRefusal(0);
  EXPECT_EQ(write({0x62, 0x0B, 0x20, 0x5B, 0x60}), ecu::kCompletionDone);
  EXPECT_EQ(write({0x41, 0x00, 0x00}), ecu::kCompletionDone);
  EXPECT_EQ(ecu.overrideMask(), 0) << "a reset drops the overrides";

  EXPECT_FALSE(ecu.answer(Bytes{0x33}).has_value());
  EXPECT_FALSE(ecu.answer(Bytes{}).has_value());
  EXPECT_EQ(ecu.requests().back(), Bytes{0x33});
}

double meanIdleSpeed(EcuModel& ecu, seconds span) {
  double sum = 0;
  int count = 0;
  for (auto t = milliseconds(0); t < span; t += milliseconds(100)) {
    ecu.advance(milliseconds(100));
    if (ecu.value(0x20) == 0) {
      sum += ecu.value(0x2C) * 10.0;
      ++count;
    }
  }
  return count > 0 ? sum / count : 0.0;
}

TEST_F(EcuModelTest, TheEngineWarmsUpAndHuntsAroundItsIdleSpeed) {
  EXPECT_NEAR(ecu.value(0x1A) - 40, 20, 1);
  bool blipped = false;
  bool knocked = false;
  int lowest = 255;
  int highest = 0;
  int sinceBlip = 0;                            // tenths of a second
  for (int tenth = 0; tenth < 6000; ++tenth) {  // ten minutes
    ecu.advance(milliseconds(100));
    blipped |= ecu.value(0x20) > 5;
    knocked |= (ecu.value(0x51) | ecu.value(0x52) | ecu.value(0x53) | ecu.value(0x54)) != 0;
    sinceBlip = ecu.value(0x20) > 0 ? 0 : sinceBlip + 1;
    if (tenth > 3000 && sinceBlip > 30) {
      lowest = std::min<int>(lowest, ecu.value(0x2C));
      highest = std::max<int>(highest, ecu.value(0x2C));
    }
  }
  EXPECT_TRUE(blipped);
  EXPECT_TRUE(knocked);
  EXPECT_GT(ecu.value(0x1A) - 40, 70);
  EXPECT_GE(lowest, 70);
  EXPECT_LE(highest, 90);
  EXPECT_GT(highest - lowest, 1) << "idle speed hunts";
  EXPECT_NEAR(meanIdleSpeed(ecu, seconds(30)), 800, 30);

  ecu.advance(std::chrono::minutes(30));
  EXPECT_NEAR(ecu.value(0x1A) - 40, 90, 1);
}

TEST_F(EcuModelTest, TheIdleValveAndInjectorCutsMoveTheSpeed) {
  ecu.setThrottleBlips(false);
  ecu.advance(std::chrono::minutes(15));
  const double idle = meanIdleSpeed(ecu, seconds(10));

  // What the balance test does: scale the valve by the wanted speed over the measured one.
  const auto valve = static_cast<std::uint8_t>(ecu.value(0x5C) * 1000 / idle);
  EXPECT_EQ(write({0x62, 0x0B, 0x20, 0x5B, valve}), ecu::kCompletionDone);
  ecu.advance(seconds(3));
  EXPECT_EQ(ecu.value(0x5C), valve);
  EXPECT_NEAR(meanIdleSpeed(ecu, seconds(10)), 1000, 60);

  EXPECT_EQ(write({0x62, 0x0B, 0x00, 0x0D, 0x01}), ecu::kCompletionDone);
  ecu.advance(seconds(3));
  EXPECT_LT(meanIdleSpeed(ecu, seconds(5)), idle - 100);
  EXPECT_EQ(write({0x62, 0x0D, 0x0F}), ecu::kCompletionDone);
  ecu.advance(seconds(5));
  EXPECT_EQ(ecu.value(0x2C), 0);
  EXPECT_EQ(ecu.value(0x07) & 0x01, 0x01) << "engine stopped";
}

TEST_F(EcuModelTest, TimeIsDeterministicHoweverItIsSplit) {
  EcuModel other;
  ecu.advance(seconds(90));
  for (int i = 0; i < 9000; ++i) other.advance(milliseconds(i % 2 == 0 ? 7 : 13));
  const Bytes set = {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A,
                     0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34};
  EXPECT_EQ(ask(set), other.answer(set));

  EcuModel reseeded(7);
  reseeded.advance(seconds(90));
  EXPECT_NE(ask({0x61, 0x2C, 0x26, 0x39, 0x4D}),
            reseeded.answer(Bytes{0x61, 0x2C, 0x26, 0x39, 0x4D}));
}

}  // namespace
}  // namespace vortlen::sim
