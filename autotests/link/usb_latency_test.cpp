#include "usb_latency.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>

namespace vortlen {
namespace {

constexpr const char* kTimer = "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer";
constexpr const char* kFtdi =
    "../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";

// A machine of fakes: where /sys/dev/char leads, what the driver takes, the sysfs files.
struct Fake {
  std::string device;  // where every /sys/dev/char link leads; empty: no link
  bool driverTakesFlag = true;
  bool filesWritable = true;
  int flags = 0;
  int serialCalls = 0;
  std::map<std::string, std::string> files;
} fake;

const UsbLatencyCalls kFakeCalls = {
    [](const char*, char* target, size_t size) -> ssize_t {
      const std::size_t n = std::min(size, fake.device.size());
      std::memcpy(target, fake.device.data(), n);
      return n > 0 ? static_cast<ssize_t>(n) : -1;
    },
    [](int, serial_struct* serial) {
      ++fake.serialCalls;
      serial->flags = fake.flags;
      return 0;
    },
    [](int, const serial_struct* serial) {
      ++fake.serialCalls;
      if (!fake.driverTakesFlag) return -1;
      fake.flags = serial->flags;
      if (fake.files.count(kTimer) != 0) fake.files[kTimer] = "1";  // as ftdi_sio shows it
      return 0;
    },
    [](const char* path, std::string& line) {
      if (fake.files.count(path) == 0) return false;
      line = fake.files[path];
      return true;
    },
    [](const char* path, const std::string& line) {
      if (!fake.filesWritable || fake.files.count(path) == 0) return false;
      fake.files[path] = line;
      return true;
    },
};

// Any character device will do: what it is comes from the fake /sys.
std::string request(const char* device, std::map<std::string, std::string> files = {},
                    bool driverTakesFlag = true, bool filesWritable = true) {
  fake = {};
  fake.device = device;
  fake.files = std::move(files);
  fake.driverTakesFlag = driverTakesFlag;
  fake.filesWritable = filesWritable;
  const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  std::string note = requestUsbLowLatency(fd, kFakeCalls);
  ::close(fd);
  return note;
}

TEST(UsbLatencyTest, OnlyAUsbDeviceIsAsked) {
  for (const char* device :
       {"", "../../devices/virtual/tty/ttyS0", "../../devices/pnp0/00:04/tty/ttyS0"}) {
    EXPECT_EQ(request(device), "") << device;
    EXPECT_EQ(fake.serialCalls, 0) << device;
  }
  // A pseudo-terminal through the real calls.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  EXPECT_EQ(requestUsbLowLatency(master), "");
  ::close(master);
}

TEST(UsbLatencyTest, TheFlagAndTheTimerAreAskedForAndTheNoteSaysWhatCameOfIt) {
  const std::map<std::string, std::string> timer16 = {{kTimer, "16"}};
  EXPECT_EQ(request(kFtdi, timer16),
            "USB serial ttyUSB0: low latency on, latency timer 1 ms (was 16 ms)");
  EXPECT_NE(fake.flags & ASYNC_LOW_LATENCY, 0);
  // A driver that refuses the flag: the timer is written instead.
  EXPECT_EQ(
      request(kFtdi, timer16, false),
      "USB serial ttyUSB0: low latency refused by the driver, latency timer 1 ms (was 16 ms)");
  // Refused everywhere (a user who may not write sysfs): nothing changes, and it says so.
  EXPECT_EQ(request(kFtdi, timer16, false, false),
            "USB serial ttyUSB0: low latency refused by the driver, latency timer 16 ms");
  EXPECT_EQ(fake.flags, 0);
  EXPECT_EQ(fake.files[kTimer], "16");
  // A bridge without a timer file (cdc_acm).
  EXPECT_EQ(request("../../devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/tty/ttyACM0"),
            "USB serial ttyACM0: low latency on");
}

}  // namespace
}  // namespace vortlen
