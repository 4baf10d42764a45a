#include "ecu_link.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "ecu_services.h"
#include "frame_codec.h"
#include "scripted_port.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ScriptedPort;

class EcuLinkTest : public ::testing::Test {
 protected:
  LinkResult send(const Bytes& request) { return link.transact(request.data(), request.size()); }

  Bytes written() const {
    return Bytes(port.written.begin(), port.written.begin() + port.writtenLength);
  }

  void fillBuffer(std::uint8_t value) { link.ResponseBuffer().fill(value); }

  ScriptedPort port;
  SharedPort shared{port};
  EcuLink link{shared};
};

struct FrameExample {
  Bytes request;
  Bytes frame;
};

class FrameExamples : public EcuLinkTest, public ::testing::WithParamInterface<FrameExample> {};

TEST_P(FrameExamples, GoOnTheWireToTheByte) {
  const FrameExample& example = GetParam();
  port.chunk({0x00, 0x00, 0x0D});
  EXPECT_EQ(send(example.request), LinkResult::Ok);
  EXPECT_EQ(written(), example.frame);
}

void PrintTo(const FrameExample& example, std::ostream* out) {
  for (std::uint8_t byte : example.request) *out << std::hex << int(byte) << ' ';
}

INSTANTIATE_TEST_SUITE_P(
    Link, FrameExamples,
    ::testing::Values(FrameExample{{0x01}, {0x01, 0xFF, 0x0D}},
                      FrameExample{{0x51}, {0x51, 0xAF, 0x0D}},
                      FrameExample{{0x41, 0x00, 0x00}, {0x41, 0x00, 0x00, 0xBF, 0x0D}},
                      FrameExample{{0x62, 0x0E, 0x0A}, {0x62, 0x0E, 0x0A, 0x86, 0x0D}},
                      FrameExample{{0xC0}, {0xC0, 0x40, 0x00, 0x0D}},  // checksum 0x40 escaped
                      FrameExample{{0xF3}, {0xF3, 0x40, 0xCD, 0x0D}},  // checksum 0x0D escaped
                      FrameExample{Bytes(ecu::releaseRequest.begin(), ecu::releaseRequest.end()),
                                   {0x62, 0x09, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C, 0x00, 0x40,
                                    0xCD, 0x00, 0x0E, 0x00, 0x0F, 0x00, 0x4A, 0x0D}}));

TEST_F(EcuLinkTest, WithNoPortOpenNothingIsRead) {
  port.close();
  fillBuffer(0x5A);
  EXPECT_EQ(send({0x01}), LinkResult::PortNotOpen);
  EXPECT_EQ(link.lastResult(), LinkResult::PortNotOpen);
  EXPECT_EQ(port.reads, 0);
  EXPECT_EQ(link.ResponseBuffer()[0], 0x5A);
}

TEST_F(EcuLinkTest, EchoPhaseAsksForExactlyTheMissingBytes) {
  port.echo = false;
  port.chunk({0x61, 0x07});  // the adapter echoes the frame in pieces
  port.silence(2);
  port.chunk({0x08, 0x90});  // the frame is 61 07 08 90 0D: its last byte never comes
  port.silence(20);
  EXPECT_EQ(send({0x61, 0x07, 0x08}), LinkResult::AdapterOff);
  ASSERT_EQ(port.reads, 10);  // gives up after exactly ten echo reads
  EXPECT_EQ(port.asked[0], 5u);
  EXPECT_EQ(port.asked[1], 3u);
  EXPECT_EQ(port.asked[3], 3u);
  EXPECT_EQ(port.asked[4], 1u);
  EXPECT_EQ(port.asked[9], 1u);
}

TEST_F(EcuLinkTest, NoEchoAtAllIsAdapterOffAfterTenReads) {
  port.echo = false;
  fillBuffer(0x5A);
  EXPECT_EQ(send({0x01}), LinkResult::AdapterOff);
  EXPECT_EQ(port.reads, 10);
  EXPECT_EQ(port.calls, "PWRRRRRRRRRR");
  EXPECT_EQ(link.ResponseBuffer()[0], 0x5A);
}

TEST_F(EcuLinkTest, EchoIsComparedFromTheLastByteDownToTheSecond) {
  port.corruptEchoAt = 0;  // the first byte is not compared
  port.chunk({0x00, 0x00, 0x0D});
  EXPECT_EQ(send({0x61, 0x1A}), LinkResult::Ok);

  for (int position : {1, 2, 3}) {
    ScriptedPort other;
    other.corruptEchoAt = position;
    other.chunk({0x00, 0x00, 0x0D});
    SharedPort otherShared{other};
    EcuLink otherLink{otherShared};
    const std::uint8_t request[] = {0x61, 0x1A};
    EXPECT_EQ(otherLink.transact(request, 2), LinkResult::EchoMismatch) << "position " << position;
    EXPECT_EQ(other.reads, 1) << "no answer is read after a bad echo";
  }
}

TEST_F(EcuLinkTest, SingleZeroByteAnswer) {
  port.chunk({0x00, 0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::Ok);
  EXPECT_EQ(link.ResponseBuffer()[0], 0x00);
  EXPECT_EQ(link.answerLength(), 0u);  // the one byte is its own checksum
}

TEST_F(EcuLinkTest, BareTerminatorIsOkAndLeavesTheBufferAlone) {
  fillBuffer(0x77);
  port.chunk({0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::Ok);
  for (std::uint8_t byte : link.ResponseBuffer()) ASSERT_EQ(byte, 0x77);
  EXPECT_EQ(link.answerLength(), 0u);
}

TEST_F(EcuLinkTest, ShortAnswerKeepsTheOlderBytesBeyondIt) {
  port.chunk({0x11, 0x22, 0x33, 0x44, 0x56, 0x0D});
  ASSERT_EQ(send({0x61, 0x01, 0x02, 0x03, 0x04}), LinkResult::Ok);
  EXPECT_EQ(link.answerLength(), 4u);

  port.chunk({0x99, 0x67, 0x0D});
  ASSERT_EQ(send({0x61, 0x01}), LinkResult::Ok);
  const auto& buffer = link.ResponseBuffer();
  EXPECT_EQ(buffer[0], 0x99);
  EXPECT_EQ(buffer[1], 0x67);  // the new checksum lands in the buffer too
  EXPECT_EQ(buffer[2], 0x33);
  EXPECT_EQ(buffer[3], 0x44);
  EXPECT_EQ(link.answerLength(), 1u);
}

TEST_F(EcuLinkTest, FullTableAnswerFillsTheWholeBuffer) {
  Bytes raw;
  std::uint8_t sum = 0;
  for (int i = 0; i < 256; ++i) {
    const auto byte = static_cast<std::uint8_t>(255 - i);
    sum = static_cast<std::uint8_t>(sum + byte);
    if (byte == 0x40 || byte == 0x0D) {
      raw.push_back(0x40);
      raw.push_back(static_cast<std::uint8_t>(byte - 0x40));
    } else {
      raw.push_back(byte);
    }
  }
  const auto checksum = static_cast<std::uint8_t>(-sum);
  ASSERT_NE(checksum, 0x40);
  ASSERT_NE(checksum, 0x0D);
  raw.push_back(checksum);
  raw.push_back(0x0D);
  for (std::size_t at = 0; at < raw.size(); at += 255) {
    port.chunk(raw.data() + at, std::min<std::size_t>(255, raw.size() - at));
  }
  ASSERT_EQ(send({0x61, 0x49}), LinkResult::Ok);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(link.ResponseBuffer()[i], 255 - i) << i;
  EXPECT_EQ(link.answerLength(), 256u);
}

TEST_F(EcuLinkTest, EscapePairsDecode) {
  // 40 00 → 0x40, 40 CD → 0x0D, 40 05 → 0x45, 40 FF → 0x3F (mod 256); checksum 0x2F.
  port.chunk({0x40, 0x00, 0x40, 0xCD, 0x40, 0x05, 0x40, 0xFF, 0x2F, 0x0D});
  ASSERT_EQ(send({0x61, 0x01}), LinkResult::Ok);
  const auto& buffer = link.ResponseBuffer();
  EXPECT_EQ(buffer[0], 0x40);
  EXPECT_EQ(buffer[1], 0x0D);
  EXPECT_EQ(buffer[2], 0x45);
  EXPECT_EQ(buffer[3], 0x3F);
  EXPECT_EQ(link.answerLength(), 4u);
}

TEST_F(EcuLinkTest, ReadingGoesOnWhileTheLastByteIsNotTheTerminator) {
  // A 0x0D in the middle of a read is not the end: only a read that ends with one is.
  port.chunk({0x05, 0x0D, 0x01});
  port.silence(3);
  port.chunk({0xED, 0x0D});
  EXPECT_EQ(send({0x61, 0x01}), LinkResult::Ok);
  EXPECT_EQ(port.reads, 1 + 5);
  EXPECT_EQ(link.answerLength(), 3u);
  EXPECT_EQ(link.ResponseBuffer()[1], 0x0D);
}

TEST_F(EcuLinkTest, AnswerReadsAskFor255Bytes) {
  port.chunk({0x00, 0x0D});
  ASSERT_EQ(send({0x01}), LinkResult::Ok);
  EXPECT_EQ(port.asked[1], 255u);
}

TEST_F(EcuLinkTest, MoreThan515RawBytesIsOverflowEvenWhenTheReadEndsWithTheTerminator) {
  fillBuffer(0x5A);
  Bytes raw(255, 0x01);
  port.chunk(raw.data(), raw.size());
  port.chunk(raw.data(), raw.size());
  raw.assign(6, 0x01);
  raw.back() = 0x0D;  // 516 bytes in all, the last a terminator
  port.chunk(raw.data(), raw.size());
  EXPECT_EQ(send({0x01}), LinkResult::Overflow);
  EXPECT_EQ(link.ResponseBuffer()[0], 0x5A);
}

TEST_F(EcuLinkTest, ExactlyAtTheLimitIsStillRead) {
  // 256 data bytes and a checksum that all need escaping make 514 raw bytes, and the
  // terminator 515: 64 × 0x40 + 192 × 0x0D + 0x40 adds up to 0.
  Bytes raw;
  for (int i = 0; i < 257; ++i) {
    raw.push_back(0x40);
    raw.push_back(i >= 64 && i < 256 ? 0xCD : 0x00);
  }
  raw.push_back(0x0D);
  ASSERT_EQ(raw.size(), 515u);
  for (std::size_t at = 0; at < raw.size(); at += 255) {
    port.chunk(raw.data() + at, std::min<std::size_t>(255, raw.size() - at));
  }
  EXPECT_EQ(send({0x61, 0x49}), LinkResult::Ok);
  EXPECT_EQ(link.ResponseBuffer()[63], 0x40);
  EXPECT_EQ(link.ResponseBuffer()[64], 0x0D);
  EXPECT_EQ(link.ResponseBuffer()[255], 0x0D);
  EXPECT_EQ(link.answerLength(), 256u);
}

TEST_F(EcuLinkTest, ThirtySixSilentReadsGiveNoAnswer) {
  port.silence(40);
  EXPECT_EQ(send({0x01}), LinkResult::NoAnswer);
  EXPECT_EQ(port.reads, 1 + 36);
}

TEST_F(EcuLinkTest, AnAnswerThatNeverEndsIsNoAnswerToo) {
  for (int i = 0; i < 40; ++i) port.chunk({0x01});
  EXPECT_EQ(send({0x01}), LinkResult::NoAnswer);
  EXPECT_EQ(port.reads, 1 + 36);
}

TEST_F(EcuLinkTest, BadChecksumLeavesTheBadBytesInTheBuffer) {
  port.chunk({0x12, 0x34, 0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::BadChecksum);
  EXPECT_EQ(link.ResponseBuffer()[0], 0x12);
  EXPECT_EQ(link.ResponseBuffer()[1], 0x34);
}

TEST_F(EcuLinkTest, EveryTransactionPurgesBeforeItWrites) {
  port.stale({0x99, 0x98});  // late bytes of an earlier exchange
  port.chunk({0x00, 0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::Ok);
  port.chunk({0x00, 0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::Ok);
  EXPECT_EQ(port.calls, "PWRRPWRR");
}

TEST_F(EcuLinkTest, LoneEscapeBeforeTheTerminatorIsBadChecksum) {
  // 01 FF would add up to 0; the dangling 0x40 must neither swallow the terminator nor pass.
  port.chunk({0x01, 0xFF, 0x40, 0x0D});
  EXPECT_EQ(send({0x01}), LinkResult::BadChecksum);
  EXPECT_EQ(port.reads, 2);
}

TEST_F(EcuLinkTest, AnswerTooLongForTheBufferIsOverflowAndTouchesNothing) {
  fillBuffer(0x5A);
  const Bytes data(258, 0x01);  // 257 data bytes and a checksum
  Bytes raw = data;
  raw.back() = static_cast<std::uint8_t>(-(257 % 256));
  raw.push_back(0x0D);
  port.chunk(raw.data(), 255);
  port.chunk(raw.data() + 255, raw.size() - 255);
  EXPECT_EQ(send({0x61, 0x49, 0x4A}), LinkResult::Overflow);
  for (std::uint8_t byte : link.ResponseBuffer()) ASSERT_EQ(byte, 0x5A);
}

TEST_F(EcuLinkTest, RequestsOutsideOneToThirtyBytesAreNotSent) {
  const Bytes tooLong(31, 0x61);
  EXPECT_EQ(send(tooLong), LinkResult::Overflow);
  EXPECT_EQ(link.transact(nullptr, 0), LinkResult::Overflow);
  EXPECT_EQ(port.calls, "");

  const Bytes longest(30, 0x40);  // every data byte escaped: the frame still fits
  port.chunk({0x00, 0x0D});
  EXPECT_EQ(send(longest), LinkResult::Ok);
  EXPECT_EQ(port.writtenLength, 30u * 2 + 1 + 1);  // checksum 0x80 and the terminator
}

TEST(LinkMessagesTest, EveryFailureHasItsMessage) {
  EXPECT_EQ(linkMessage(LinkResult::Ok), "");
  EXPECT_EQ(linkMessage(LinkResult::PortNotOpen), "Порт не открыт");
  EXPECT_EQ(linkMessage(LinkResult::AdapterOff), "Не включен адаптер");
  EXPECT_EQ(linkMessage(LinkResult::EchoMismatch), "Ошибка эхо сигнала");
  EXPECT_EQ(linkMessage(LinkResult::Overflow), "Буфер переполнен");
  EXPECT_EQ(linkMessage(LinkResult::NoAnswer), "Нет ответа ЭБУ");
  EXPECT_EQ(linkMessage(LinkResult::BadChecksum), "Ошибка контр суммы");
  EXPECT_EQ(linkMessage(static_cast<LinkResult>(7)), "");
}

// A machine with two USB adapters listed by id, a USB port without an id, a real UART, a
// UART the kernel found no chip for, and a console: COM1.. take them in a fixed order.
TEST(SharedPortTest, ComNumbersMapToTheSerialDevicesPresent) {
  ScriptedPort port;
  SharedPort shared{port};
#ifdef _WIN32
  EXPECT_TRUE(shared.openPort(2));  // on Windows the name is the device
  EXPECT_EQ(port.openedName, "COM2");
#else
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("vortlen3-devices-" + std::to_string(getpid()));
  const DeviceRoots roots{(root / "by-id").string(), (root / "sys").string(),
                          (root / "dev").string()};
  fs::create_directories(roots.serialById);
  fs::create_directories(roots.dev);
  for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS1", "ttyS10", "tty0"}) {
    std::ofstream(root / "dev" / name).put('\0');
    if (std::string(name) != "tty0") fs::create_directories(root / "sys" / name / "device");
  }
  fs::create_directories(root / "sys" / "tty0");
  std::ofstream(root / "sys" / "ttyS0" / "type") << "4\n";
  std::ofstream(root / "sys" / "ttyS1" / "type") << "0\n";
  std::ofstream(root / "sys" / "ttyS10" / "type") << "4\n";
  fs::create_symlink("../dev/ttyUSB1", root / "by-id" / "usb-FTDI_FT232R-if00-port0");
  fs::create_symlink("../dev/ttyUSB0", root / "by-id" / "usb-1a86_USB_Serial-if00-port0");

  for (unsigned n = 1; n <= 4; ++n) ::unsetenv(("VORTLEN3_COM" + std::to_string(n)).c_str());
  const std::vector<std::string> expected = {roots.serialById + "/usb-1a86_USB_Serial-if00-port0",
                                             roots.serialById + "/usb-FTDI_FT232R-if00-port0",
                                             roots.dev + "/ttyACM0", roots.dev + "/ttyS0",
                                             roots.dev + "/ttyS10"};
  EXPECT_EQ(serialDevices(roots), expected);

  shared.setDeviceRoots(roots);
  EXPECT_TRUE(shared.openPort(1));
  EXPECT_EQ(port.openedName, expected[0]);
  EXPECT_TRUE(shared.openPort(4));
  EXPECT_EQ(port.openedName, expected[3]);
  // A variable takes its number; the devices found fill the others in order, and the one it
  // names, by whatever path, shows once.
  ::setenv("VORTLEN3_COM2", (roots.dev + "/ttyUSB0").c_str(), 1);
  ::setenv("VORTLEN3_COM3", "", 1);  // an empty setting is no setting
  ::setenv("VORTLEN3_COM4", "/dev/ttyUSB7", 1);
  std::vector<std::string> numbered;
  for (unsigned n = 1; n <= 4; ++n) numbered.push_back(comDevicePath(n, roots));
  EXPECT_EQ(numbered, (std::vector<std::string>{expected[1], roots.dev + "/ttyUSB0", expected[2],
                                                "/dev/ttyUSB7"}));
  EXPECT_TRUE(shared.openPort(3));
  EXPECT_EQ(port.openedName, expected[2]);
  for (const char* name : {"VORTLEN3_COM2", "VORTLEN3_COM3", "VORTLEN3_COM4"}) ::unsetenv(name);

  // The adapters pulled out: the UARTs move up.
  fs::remove_all(root / "by-id");
  for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) fs::remove_all(root / "sys" / name);
  EXPECT_EQ(comDevicePath(2, roots), roots.dev + "/ttyS10");
  EXPECT_EQ(comDevicePath(3, roots), "") << "fewer devices than ports";
  fs::remove_all(root);
#endif

  port.openedName.clear();
  EXPECT_FALSE(shared.openPort(0));
  EXPECT_FALSE(shared.openPort(5));
  EXPECT_EQ(port.openedName, "");
  EXPECT_EQ(comPortName(4), "COM4");

  port.openSucceeds = false;
  EXPECT_FALSE(shared.openPort(1));
  EXPECT_FALSE(shared.isOpen());
}

TEST(EcuServicesTest, ValueWidths) {
  for (std::uint8_t code : {0x21, 0x23, 0x33, 0x34, 0x3C, 0x3F, 0x40})
    EXPECT_EQ(ecu::valueWidth(code), 2u);
  for (std::uint8_t code : {0x74, 0x77, 0x79, 0x7B}) EXPECT_EQ(ecu::valueWidth(code), 16u);
  for (std::uint8_t code : {0x49, 0x4C}) EXPECT_EQ(ecu::valueWidth(code), 256u);
  for (std::uint8_t code : {0x1A, 0x78, 0x73, 0x22, 0x48, 0x4D})
    EXPECT_EQ(ecu::valueWidth(code), 1u);
}

}  // namespace
}  // namespace vortlen
