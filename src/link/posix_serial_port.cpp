#include "posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "usb_latency.h"

namespace vortlen {
namespace {

using Clock = std::chrono::steady_clock;

// One byte on the wire at 9600 baud: a start bit, eight data bits and a stop bit.
constexpr auto kByteTime = std::chrono::microseconds(1042);

timespec toTimespec(Clock::duration span) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span);
  return {static_cast<time_t>(seconds.count()),
          static_cast<long>((span - seconds) / std::chrono::nanoseconds(1))};
}

bool setRawLine(int fd) {
  termios tty{};
  if (::tcgetattr(fd, &tty) != 0) return false;  // not a terminal device: not a port
  ::cfmakeraw(&tty);  // no echo, no CR/LF translation, no XON/XOFF: 0x0D, 0x11, 0x13 are data
  tty.c_cflag |= CLOCAL | CREAD;
  tty.c_cflag &= ~(CSTOPB | PARENB | CSIZE);
  tty.c_cflag |= CS8;
  tty.c_cc[VMIN] = 0;
  tty.c_cc[VTIME] = 0;
  ::cfsetispeed(&tty, B9600);
  ::cfsetospeed(&tty, B9600);
  return ::tcsetattr(fd, TCSANOW, &tty) == 0;
}

}  // namespace

namespace {

PortError openErrorOf(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return PortError::NoAccess;
    case EBUSY:
    case EWOULDBLOCK:
      return PortError::Busy;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return PortError::Missing;
    default:
      return PortError::NotSerial;  // EISDIR, ENOTTY, EINVAL: something, but not a port
  }
}

}  // namespace

bool PosixSerialPort::open(const char* deviceName) {
  close();
  openError_ = PortError::Missing;
  openNote_.clear();
  if (deviceName == nullptr || *deviceName == '\0') return false;
  const int fd = ::open(deviceName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    openError_ = openErrorOf(errno);
    return false;
  }
  auto fail = [this, fd](PortError why) {
    openError_ = why;
    ::close(fd);
    return false;
  };
  // A terminal first: /dev/null or a plain file would take the lock below and pass for a port.
  if (!::isatty(fd)) return fail(PortError::NotSerial);
  // flock keeps out a second program even when it runs as root, which TIOCEXCL does not.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(PortError::Busy);
  if (::ioctl(fd, TIOCEXCL) != 0 || !setRawLine(fd)) return fail(openErrorOf(errno));
  // USB adapters otherwise hold every reply back for their 16 ms latency timer.
  openNote_ = requestUsbLowLatency(fd);
  fd_ = fd;
  openError_ = PortError::None;
  return true;
}

void PosixSerialPort::lose() {
  close();
}

void PosixSerialPort::close() {
  if (fd_ < 0) return;
  (void)::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also releases the flock
  fd_ = -1;
}

bool PosixSerialPort::probe() {
  if (fd_ < 0) return false;
  pollfd waiting{fd_, POLLIN, 0};
  // A hang-up shows at once, whether or not bytes wait; the bytes stay where they are.
  if (::poll(&waiting, 1, 0) > 0 && (waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    lose();
  }
  return fd_ >= 0;
}

void PosixSerialPort::purge() {
  if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
}

std::size_t PosixSerialPort::write(const std::uint8_t* data, std::size_t n) {
  if (fd_ < 0) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteStallMs);
  std::size_t written = 0;
  while (written < n) {
    const ssize_t count = ::write(fd_, data + written, n - written);
    if (count > 0) {
      written += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN) {  // the device has gone
      lose();
      return 0;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    pollfd waiting{fd_, POLLOUT, 0};
    if (::poll(&waiting, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    if ((waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
      lose();
      return 0;
    }
  }
  return written;
}

std::size_t PosixSerialPort::read(std::uint8_t* buffer, std::size_t n) {
  if (fd_ < 0 || n == 0) return 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kReadWaitMs);
  std::size_t received = 0;
  bool waited = false;
  while (received < n) {
    const ssize_t count = ::read(fd_, buffer + received, n - received);
    if (count > 0) {
      received += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    // With VMIN = VTIME = 0 a terminal answers 0, not EAGAIN, when nothing is waiting; a
    // hang-up shows in ppoll below.
    if (count < 0 && errno != EAGAIN) {  // EIO: the device has gone
      lose();
      break;
    }
    // Bytes that were already waiting come back at once; a read that had to wait goes on
    // gathering until it has them all or its time is up.
    if (received > 0 && !waited) break;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) break;
    if (waited && received > 0) {
      // The line has started to deliver. At 9600 baud the rest takes about a millisecond a
      // byte: sleep that long rather than wake for every byte, which would cost the polling
      // main window several per cent of a core.
      const auto rest = std::min<Clock::duration>(left, kByteTime * (n - received));
      const timespec pause = toTimespec(rest);
      ::nanosleep(&pause, nullptr);
      continue;
    }
    const timespec timeout = toTimespec(left);
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::ppoll(&waiting, 1, &timeout, nullptr);
    waited = true;
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && (waiting.revents & POLLIN) == 0) {  // hang-up or error: it has gone
      lose();
      break;
    }
  }
  return received;
}

}  // namespace vortlen
