#include "usb_latency.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace vortlen {
namespace {

// A machine of fakes: where /sys/dev/char leads, what the driver takes, the sysfs files.
struct FakeSystem {
  std::string device;  // where every /sys/dev/char link leads
  bool driverTakesFlag = true;
  int flags = 0;
  int getCalls = 0;
  int setCalls = 0;
  std::map<std::string, std::string> files;
  bool filesWritable = true;
};
FakeSystem fake;

UsbLatencyCalls fakeCalls() {
  return {
      [](const char*, char* target, size_t size) -> ssize_t {
        if (fake.device.empty()) return -1;
        const std::size_t n = std::min(size, fake.device.size());
        std::memcpy(target, fake.device.data(), n);
        return static_cast<ssize_t>(n);
      },
      [](int, serial_struct* serial) {
        ++fake.getCalls;
        serial->flags = fake.flags;
        return 0;
      },
      [](int, const serial_struct* serial) {
        ++fake.setCalls;
        if (!fake.driverTakesFlag) return -1;
        fake.flags = serial->flags;
        // ftdi_sio shows a timer of 1 ms while the flag is on.
        if (fake.files.count("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer") != 0)
          fake.files["/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"] = "1";
        return 0;
      },
      [](const char* path, std::string& line) {
        const auto file = fake.files.find(path);
        if (file == fake.files.end()) return false;
        line = file->second;
        return true;
      },
      [](const char* path, const std::string& line) {
        if (!fake.filesWritable || fake.files.count(path) == 0) return false;
        fake.files[path] = line;
        return true;
      },
  };
}

class UsbLatencyTest : public testing::Test {
 protected:
  void SetUp() override {
    fake = {};
    // Any character device will do: what it is comes from the fake /sys.
    fd_ = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd_, 0);
  }
  void TearDown() override { ::close(fd_); }
  int fd_ = -1;
};

constexpr const char* kFtdi =
    "../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";
constexpr const char* kTimer = "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer";

TEST_F(UsbLatencyTest, OnlyAUsbDeviceIsAsked) {
  for (const char* device : {"", "../../devices/virtual/tty/ttyS0",
                             "../../devices/pnp0/00:04/tty/ttyS0"}) {
    fake.device = device;
    EXPECT_EQ(requestUsbLowLatency(fd_, fakeCalls()), "") << device;
  }
  EXPECT_EQ(fake.getCalls + fake.setCalls, 0);
  // A pseudo-terminal through the real calls: no USB, nothing said.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  EXPECT_EQ(requestUsbLowLatency(master), "");
  ::close(master);
}

TEST_F(UsbLatencyTest, TheFlagAndTheTimerAreAskedForAndTheNoteSaysWhatCameOfIt) {
  fake.device = kFtdi;
  fake.files[kTimer] = "16";
  EXPECT_EQ(requestUsbLowLatency(fd_, fakeCalls()),
            "USB serial ttyUSB0: low latency on, latency timer 1 ms (was 16 ms)");
  EXPECT_NE(fake.flags & ASYNC_LOW_LATENCY, 0);

  // A driver that refuses the flag: the timer is written instead.
  fake = {};
  fake.device = kFtdi;
  fake.driverTakesFlag = false;
  fake.files[kTimer] = "16";
  EXPECT_EQ(requestUsbLowLatency(fd_, fakeCalls()),
            "USB serial ttyUSB0: low latency refused by the driver, latency timer 1 ms (was 16 ms)");
  EXPECT_EQ(fake.files[kTimer], "1");

  // Refused everywhere (a user who may not write sysfs): nothing changes, and it says so.
  fake = {};
  fake.device = kFtdi;
  fake.driverTakesFlag = false;
  fake.files[kTimer] = "16";
  fake.filesWritable = false;
  EXPECT_EQ(requestUsbLowLatency(fd_, fakeCalls()),
            "USB serial ttyUSB0: low latency refused by the driver, latency timer 16 ms");
  EXPECT_EQ(fake.flags, 0);

  // A bridge without a timer file (cdc_acm, say).
  fake = {};
  fake.device = "../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/tty/ttyACM0";
  EXPECT_EQ(requestUsbLowLatency(fd_, fakeCalls()), "USB serial ttyACM0: low latency on");
}

}  // namespace
}  // namespace vortlen
