#include "shared_port.h"

#include <cstdio>
#include <cstdlib>

namespace vortlen {

std::string comPortName(unsigned n) {
  char name[16];
  std::snprintf(name, sizeof name, "COM%u", n);
  return name;
}

std::string comDevicePath(unsigned n) {
#ifdef _WIN32
  return comPortName(n);
#else
  char variable[32];
  std::snprintf(variable, sizeof variable, "VORTLEN3_COM%u", n);
  if (const char* path = std::getenv(variable); path != nullptr && *path != '\0') return path;
  char path[32];
  std::snprintf(path, sizeof path, "/dev/ttyS%u", n - 1);
  return path;
#endif
}

bool SharedPort::openPort(unsigned n) {
  if (n < kFirstPort || n > kLastPort) return false;
  return device_.open(comDevicePath(n).c_str());
}

}  // namespace vortlen
