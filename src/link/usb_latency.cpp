#include "usb_latency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <fstream>
#include <optional>
#include <string_view>

namespace vortlen {
namespace {

// The name of the terminal device (ttyUSB0, ttyACM0) when it sits on a USB bus, else empty.
// /sys/dev/char/<major>:<minor> leads to the device, through its bus: on USB the path runs
// through a usbN folder.
std::string usbTerminalName(int fd, const UsbLatencyCalls& calls) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return {};
  const std::string link = "/sys/dev/char/" + std::to_string(major(status.st_rdev)) + ":" +
                           std::to_string(minor(status.st_rdev));
  std::array<char, 512> target{};
  const ssize_t length = calls.readLink(link.c_str(), target.data(), target.size() - 1);
  if (length <= 0) return {};
  const std::string_view path(target.data(), static_cast<std::size_t>(length));
  if (path.find("/usb") == std::string_view::npos) return {};
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<int> readNumber(const std::string& path, const UsbLatencyCalls& calls) {
  std::string line;
  if (!calls.readLine(path.c_str(), line)) return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc() || end == line.data()) return std::nullopt;
  return value;
}

}  // namespace

UsbLatencyCalls UsbLatencyCalls::real() {
  return {
      [](const char* path, char* target, size_t size) { return ::readlink(path, target, size); },
      [](int fd, serial_struct* serial) { return ::ioctl(fd, TIOCGSERIAL, serial); },
      [](int fd, const serial_struct* serial) { return ::ioctl(fd, TIOCSSERIAL, serial); },
      [](const char* path, std::string& line) {
        std::ifstream file(path);
        return static_cast<bool>(std::getline(file, line));
      },
      [](const char* path, const std::string& line) {
        std::ofstream file(path);
        return static_cast<bool>(file << line << '\n') && static_cast<bool>(file.flush());
      },
  };
}

std::string requestUsbLowLatency(int fd, const UsbLatencyCalls& calls) {
  const std::string name = usbTerminalName(fd, calls);
  if (name.empty()) return {};

  // The driver's own timer as it was, where it has one.
  const std::string timer = "/sys/bus/usb-serial/devices/" + name + "/latency_timer";
  const std::optional<int> before = readNumber(timer, calls);

  serial_struct serial{};
  bool lowLatency = false;
  if (calls.getSerial(fd, &serial) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    lowLatency = calls.setSerial(fd, &serial) == 0 && calls.getSerial(fd, &serial) == 0 &&
                 (serial.flags & ASYNC_LOW_LATENCY) != 0;
  }

  std::string note =
      "USB serial " + name + ": low latency " + (lowLatency ? "on" : "refused by the driver");
  if (!before) return note;
  std::optional<int> after = readNumber(timer, calls);
  if (after && *after > 1) {
    calls.writeLine(timer.c_str(), "1");
    after = readNumber(timer, calls);
  }
  note += ", latency timer " + std::to_string(after.value_or(*before)) + " ms";
  if (after && *after != *before) note += " (was " + std::to_string(*before) + " ms)";
  return note;
}

}  // namespace vortlen
