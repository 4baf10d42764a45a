#include "shared_port.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>
#else
#include <windows.h>
#endif

namespace vortlen {

std::string comPortName(unsigned n) {
  char name[16];
  std::snprintf(name, sizeof name, "COM%u", n);
  return name;
}

#ifndef _WIN32

namespace {

namespace fs = std::filesystem;

// "ttyUSB10" after "ttyUSB9": the name's letters, then its number.
bool naturalLess(const std::string& a, const std::string& b) {
  auto split = [](const std::string& name) {
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
    const std::string number = name.substr(digits);
    return std::pair(name.substr(0, digits), number.empty() ? -1L : std::atol(number.c_str()));
  };
  return split(a) < split(b);
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// A ttyS* exists for every UART the kernel might have; only those whose chip it found are real.
bool realUart(const DeviceRoots& roots, const std::string& name) {
  std::ifstream typeFile(roots.sysClassTty + "/" + name + "/type");
  int type = 0;
  if (typeFile >> type) return type != PORT_UNKNOWN;
  const int fd =
      ::open((roots.dev + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  serial_struct serial{};
  const bool known = ::ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type != PORT_UNKNOWN;
  ::close(fd);
  return known;
}

}  // namespace

std::vector<std::string> serialDevices(const DeviceRoots& roots) {
  std::error_code error;
  std::vector<std::string> devices;
  std::vector<fs::path> taken;  // the devices the by-id links point at

  std::vector<std::string> byId;
  for (const auto& entry : fs::directory_iterator(roots.serialById, error)) {
    byId.push_back(entry.path().filename().string());
  }
  std::sort(byId.begin(), byId.end());
  for (const std::string& name : byId) {
    const fs::path link = fs::path(roots.serialById) / name;
    devices.push_back(link.string());
    const fs::path target = fs::weakly_canonical(link, error);
    taken.push_back(target.filename());
  }

  std::vector<std::string> usb;
  std::vector<std::string> onBoard;
  for (const auto& entry : fs::directory_iterator(roots.sysClassTty, error)) {
    const std::string name = entry.path().filename().string();
    // Only ttys with a device behind them: no consoles, virtual terminals or pseudo-terminals.
    if (!fs::exists(entry.path() / "device", error)) continue;
    if (std::find(taken.begin(), taken.end(), fs::path(name)) != taken.end()) continue;
    if (startsWith(name, "ttyUSB") || startsWith(name, "ttyACM")) {
      usb.push_back(name);
    } else if (!startsWith(name, "ttyS") || realUart(roots, name)) {
      onBoard.push_back(name);
    }
  }
  std::sort(usb.begin(), usb.end(), naturalLess);
  std::sort(onBoard.begin(), onBoard.end(), naturalLess);
  for (const auto* list : {&usb, &onBoard}) {
    for (const std::string& name : *list) devices.push_back(roots.dev + "/" + name);
  }
  return devices;
}

#else

std::vector<std::string> serialDevices(const DeviceRoots&) {
  return {};
}

#endif

std::string comDevicePath(unsigned n, [[maybe_unused]] const DeviceRoots& roots) {
#ifdef _WIN32
  return comPortName(n);
#else
  if (n < SharedPort::kFirstPort || n > SharedPort::kLastPort) return {};
  std::array<std::string, SharedPort::kLastPort> named;
  for (unsigned k = SharedPort::kFirstPort; k <= SharedPort::kLastPort; ++k) {
    char variable[32];
    std::snprintf(variable, sizeof variable, "VORTLEN3_COM%u", k);
    if (const char* path = std::getenv(variable); path != nullptr) named[k - 1] = path;
  }
  if (!named[n - 1].empty()) return named[n - 1];

  // A device that a variable names keeps that number only, by whatever path it is named.
  std::error_code error;
  std::vector<std::string> devices = serialDevices(roots);
  std::erase_if(devices, [&](const std::string& device) {
    const fs::path target = fs::weakly_canonical(device, error);
    return std::any_of(named.begin(), named.end(), [&](const std::string& path) {
      return !path.empty() && fs::weakly_canonical(path, error) == target;
    });
  });
  const auto freeBefore =
      static_cast<std::size_t>(std::count_if(named.begin(), named.begin() + (n - 1),
                                             [](const std::string& path) { return path.empty(); }));
  return freeBefore < devices.size() ? devices[freeBefore] : std::string();
#endif
}

PortError deviceEntryState(const std::string& device) {
  if (device.empty()) return PortError::Missing;
#ifdef _WIN32
  // The system's name table knows the port without opening it.
  char target[512];
  return QueryDosDeviceA(device.c_str(), target, sizeof target) != 0 ? PortError::None
                                                                     : PortError::Missing;
#else
  struct stat info {};
  if (::stat(device.c_str(), &info) != 0) {
    return errno == EACCES ? PortError::NoAccess : PortError::Missing;
  }
  if (!S_ISCHR(info.st_mode)) return PortError::NotSerial;
  if (::access(device.c_str(), R_OK | W_OK) != 0) return PortError::NoAccess;
  return PortError::None;
#endif
}

bool SharedPort::openPort(unsigned n) {
  inUse_ = false;
  lossNoticed_ = false;
  if (n < kFirstPort || n > kLastPort) {
    path_.clear();
    lastError_ = PortError::Missing;
    return false;
  }
  path_ = comDevicePath(n, roots_);
  if (device_.open(path_.c_str())) {
    inUse_ = true;
    lastError_ = PortError::None;
    // The run's header first, then what the device's driver gave.
    if (trace_) {
      trace_->portOpened(comPortName(n), path_, {});
      if (!device_.openNote().empty()) trace_->note(device_.openNote());
    }
    return true;
  }
  lastError_ = device_.openError();
  if (lastError_ == PortError::None) lastError_ = PortError::Missing;
  if (trace_) trace_->portOpened(comPortName(n), path_, portErrorText(lastError_));
  return false;
}

void SharedPort::close() {
  inUse_ = false;
  lossNoticed_ = false;
  device_.close();
}

void SharedPort::reopenIfLost() {
  if (!lost()) return;
  const auto now = std::chrono::steady_clock::now();
  if (!lossNoticed_) {
    // The first try comes a second after the loss: a device that is going is not caught
    // half-gone.
    lossNoticed_ = true;
    lastAttempt_ = now;
    if (trace_) trace_->note("порт пропал: " + path_);
    return;
  }
  if (now - lastAttempt_ < kReopenInterval) return;
  lastAttempt_ = now;
  reopen();
}

void SharedPort::reopen() {
  if (device_.open(path_.c_str())) {
    lossNoticed_ = false;
    // The adapter was out: the ECU may have lost power or kept everything.
    ledger_.noteLinkLost();
    if (trace_) trace_->note("порт открыт снова: " + path_);
  }
}

void SharedPort::probe() {
  if (inUse_ && device_.isOpen() && !device_.probe()) {
    ledger_.noteLinkLost();
    lossNoticed_ = true;
    lastAttempt_ = std::chrono::steady_clock::now();
    if (trace_) trace_->note("порт пропал: " + path_);
  }
}

void SharedPort::reopenNow() {
  probe();
  if (!lost()) return;
  lossNoticed_ = true;
  lastAttempt_ = std::chrono::steady_clock::now();
  reopen();
}

void SharedPort::addHolder(ControlHolder& holder) {
  for (ControlHolder*& slot : holders_) {
    if (slot == nullptr || slot == &holder) {
      slot = &holder;
      return;
    }
  }
}

void SharedPort::removeHolder(ControlHolder& holder) {
  for (ControlHolder*& slot : holders_) {
    if (slot == &holder) slot = nullptr;
  }
}

bool SharedPort::anyHolderHolding() const {
  return std::any_of(holders_.begin(), holders_.end(),
                     [](const ControlHolder* holder) { return holder && holder->holdsControl(); });
}

void SharedPort::notifyReleased(ControlHolder::Cause cause) {
  for (ControlHolder* holder : holders_) {
    if (holder) holder->controlReleased(cause);
  }
}

SharedPort::Description SharedPort::describe(unsigned n) {
  Description description;
  description.device = comDevicePath(n, roots_);
  description.state = deviceEntryState(description.device);
  if (description.state != PortError::None || path_.empty() || description.device != path_)
    return description;
  // What only an open can tell (busy, not a port, fine) holds while the entry still looks
  // usable; missing or forbidden then, the entry is newer.
  description.inUse = device_.isOpen();
  if (description.inUse || lastError_ == PortError::None || lastError_ == PortError::Busy ||
      lastError_ == PortError::NotSerial) {
    description.opened = true;
    description.state = description.inUse ? PortError::None : lastError_;
  }
  return description;
}

std::string portErrorText(PortError error) {
  switch (error) {
    case PortError::None:
      return "свободен";
    case PortError::Missing:
      return "устройство не найдено: подключите адаптер";
    case PortError::NoAccess:
      return "нет доступа: добавьте пользователя в группу dialout и войдите в систему заново";
    case PortError::Busy:
      return "порт занят другой программой";
    case PortError::NotSerial:
      return "это не последовательный порт";
  }
  return {};
}

std::string portProblemLine(unsigned n, const std::string& device, PortError error) {
  return (device.empty() ? comPortName(n) : device) + ": " + portErrorText(error);
}

}  // namespace vortlen
