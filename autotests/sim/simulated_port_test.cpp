#include "simulated_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "ecu_link.h"
#include "ecu_services.h"
#include "frame_codec.h"
#include "simulated_bench.h"

namespace vortlen::sim {
namespace {

using std::chrono::milliseconds;

const Bytes kSetOne = {0x61, 0x07, 0x08, 0x51, 0x52, 0x53, 0x54, 0x1A,
                       0x63, 0x29, 0x26, 0x35, 0x23, 0x5C, 0x34};

class SimulatedLinkTest : public test::SimulatedBenchTest {
 protected:
  SimulatedLinkTest() : SimulatedBenchTest(test::Com1::Present) {}
  void SetUp() override { ASSERT_TRUE(simulated.open("COM1")); }

  LinkResult send(const Bytes& request) { return link.transact(request.data(), request.size()); }

  Bytes frameOf(const Bytes& request) {
    Bytes frame(maxFrameLength(request.size()));
    frame.resize(encodeFrame(request.data(), request.size(), frame.data()));
    return frame;
  }

  EcuLink link{port};
};

TEST_F(SimulatedLinkTest, ATransactionCarriesTheModelsAnswer) {
  ASSERT_EQ(send(kSetOne), LinkResult::Ok);
  EXPECT_EQ(link.answerLength(), 16u);
  EXPECT_EQ(link.ResponseBuffer()[6], ecu.value(ecu::kCoolant));
  EXPECT_EQ(ecu.requests().back(), kSetOne);
  EXPECT_EQ(simulated.written(), frameOf(kSetOne));
  EXPECT_EQ(simulated.purgeCount(), 1);
  EXPECT_EQ(simulated.writeCount(), 1);

  ASSERT_EQ(send({ecu::kReadValues, 0x4B}), LinkResult::Ok);
  EXPECT_EQ(link.answerLength(), 256u);
  EXPECT_TRUE(
      std::equal(link.ResponseBuffer().begin(), link.ResponseBuffer().end(), ecu.table(3).begin()));
}

struct OptionCase {
  std::string name;
  AdapterOptions options;
  LinkResult expected;
};

void PrintTo(const OptionCase& option, std::ostream* out) {
  *out << option.name;
}

class AdapterOptionResults : public SimulatedLinkTest,
                             public ::testing::WithParamInterface<OptionCase> {};

// Each misbehaviour of the line must end a transaction in the result the windows show for it,
// for a short answer and for a whole fuel table alike.
TEST_P(AdapterOptionResults, EndTheTransactionAsTheLinkReportsIt) {
  adapter.setOptions(GetParam().options);
  EXPECT_EQ(send(kSetOne), GetParam().expected);
  EXPECT_EQ(send({ecu::kReadValues, ecu::kFirstTable}), GetParam().expected);
  EXPECT_LT(simulated.now(), std::chrono::seconds(2)) << "every transaction is bounded";
}

AdapterOptions with(void (*change)(AdapterOptions&)) {
  AdapterOptions options;
  change(options);
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Sim, AdapterOptionResults,
    ::testing::Values(
        OptionCase{"Sound", {}, LinkResult::Ok},
        OptionCase{"Paced", with([](AdapterOptions& o) { o.pace = true; }), LinkResult::Ok},
        OptionCase{"PacedAndDelayed",
                   with([](AdapterOptions& o) { o.pace = true, o.answerDelay = milliseconds(50); }),
                   LinkResult::Ok},
        OptionCase{"NoEcho", with([](AdapterOptions& o) { o.echo = false; }),
                   LinkResult::AdapterOff},
        OptionCase{"FirstEchoByteCorrupt", with([](AdapterOptions& o) { o.corruptEchoAt = 0; }),
                   LinkResult::Ok},
        OptionCase{"SecondEchoByteCorrupt", with([](AdapterOptions& o) { o.corruptEchoAt = 1; }),
                   LinkResult::EchoMismatch},
        OptionCase{"SilentEcu", with([](AdapterOptions& o) { o.silentEcu = true; }),
                   LinkResult::NoAnswer},
        OptionCase{"BadChecksum", with([](AdapterOptions& o) { o.badChecksum = true; }),
                   LinkResult::BadChecksum},
        OptionCase{"Overlong", with([](AdapterOptions& o) { o.overlongAnswer = true; }),
                   LinkResult::Overflow},
        OptionCase{"DelayWithinTheReads",
                   with([](AdapterOptions& o) { o.answerDelay = milliseconds(300); }),
                   LinkResult::Ok},
        OptionCase{"DelayPastTheReads",
                   with([](AdapterOptions& o) { o.answerDelay = milliseconds(400); }),
                   LinkResult::NoAnswer}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

TEST_F(SimulatedLinkTest, PacingTakesTheWireTimeOfEveryByte) {
  adapter.setOptions(with([](AdapterOptions& o) { o.pace = true; }));
  ASSERT_EQ(send({ecu::kReadValues, 0x49}), LinkResult::Ok);
  // 61 49 56 0D out, and 256 table bytes, their checksum and 0D back: at least 262 bytes.
  EXPECT_GE(simulated.now(), 262 * AdapterModel::kByteTime);
  EXPECT_LT(simulated.now(), 262 * AdapterModel::kByteTime + milliseconds(20));
}

TEST_F(SimulatedLinkTest, AFrameWithABadChecksumIsEchoedButNotAnswered) {
  Bytes frame = frameOf({ecu::kWakeUp});
  frame[1] ^= 0x01;
  ASSERT_EQ(simulated.write(frame.data(), frame.size()), frame.size());
  Bytes received(16);
  received.resize(simulated.read(received.data(), received.size()));
  EXPECT_EQ(received, frame);
  EXPECT_EQ(simulated.read(received.data(), received.size()), 0u);
  EXPECT_TRUE(ecu.requests().empty());
}

TEST_F(SimulatedLinkTest, ReadsWaitOnTheVirtualClockAndPurgeDropsWhatWaits) {
  adapter.setOptions(with([](AdapterOptions& o) { o.answerDelay = milliseconds(25); }));
  const Bytes frame = frameOf({ecu::kWakeUp});
  simulated.write(frame.data(), frame.size());
  std::uint8_t buffer[64];
  EXPECT_EQ(simulated.read(buffer, sizeof buffer), frame.size()) << "the echo is already there";
  EXPECT_EQ(simulated.now(), milliseconds(0));
  EXPECT_EQ(simulated.read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(simulated.now(), milliseconds(10));
  EXPECT_EQ(simulated.read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(simulated.read(buffer, 1), 1u) << "a waiting read ends when the bytes asked for are in";
  EXPECT_EQ(simulated.now(), milliseconds(25));

  simulated.write(frame.data(), frame.size());
  simulated.purge();
  simulated.wait(milliseconds(100));
  EXPECT_EQ(simulated.read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(simulated.readCount(), 5);
}

TEST_F(SimulatedLinkTest, ANewRequestCutsOffALateAnswer) {
  adapter.setOptions(with([](AdapterOptions& o) { o.answerDelay = milliseconds(400); }));
  const Bytes first = frameOf({ecu::kWakeUp});
  const Bytes second = frameOf({ecu::kFirstText});
  simulated.write(first.data(), first.size());
  simulated.wait(milliseconds(100));
  simulated.write(second.data(), second.size());  // no purge: the late answer would still come

  Bytes received(64);
  std::size_t count = 0;
  while (simulated.now() < milliseconds(600))
    count += simulated.read(received.data() + count, received.size() - count);
  received.resize(count);
  Bytes expected = first;
  expected.insert(expected.end(), second.begin(), second.end());
  // Only the text answers; the wake-up's answer, due at 400 ms, was never sent.
  const Bytes text = frameOf(*ecu.answer(Bytes{ecu::kFirstText}));
  expected.insert(expected.end(), text.begin(), text.end());
  EXPECT_EQ(received, expected);
}

TEST_F(SimulatedLinkTest, OnlyExistingFreeDevicesOpen) {
  simulated.close();
  EXPECT_EQ(send({ecu::kWakeUp}), LinkResult::PortNotOpen);
  EXPECT_FALSE(simulated.open("COM2"));
  simulated.setDeviceExists("COM2", true);
  simulated.setDeviceBusy("COM2", true);
  EXPECT_FALSE(simulated.open("COM2"));
  simulated.setDeviceBusy("COM2", false);
  EXPECT_TRUE(simulated.open("COM2"));
  EXPECT_EQ(send({ecu::kWakeUp}), LinkResult::Ok);
}

}  // namespace
}  // namespace vortlen::sim
