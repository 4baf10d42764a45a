#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace vortlen::sim {
namespace {

using Clock = std::chrono::steady_clock;

// With no byte due the loop still wakes now and then; nothing depends on it.
constexpr SimTime kIdleWait = std::chrono::milliseconds(200);
// While the client does not read and the pseudo-terminal is full.
constexpr SimTime kFullWait = std::chrono::milliseconds(5);

timespec toTimespec(SimTime duration) {
  if (duration < SimTime::zero()) duration = SimTime::zero();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
  return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

}  // namespace

PtyServer::PtyServer(AdapterModel& adapter) : adapter_(adapter) {}

PtyServer::~PtyServer() {
  closeAll();
}

void PtyServer::closeAll() {
  for (int* fd : {&slave_, &master_, &wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  path_.clear();
}

bool PtyServer::open() {
  closeAll();
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];

  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  std::array<char, 128> name{};
  if (master_ < 0 || ::fcntl(master_, F_SETFD, FD_CLOEXEC) != 0 ||
      ::fcntl(master_, F_SETFL, O_NONBLOCK) != 0 || ::grantpt(master_) != 0 ||
      ::unlockpt(master_) != 0 || ::ptsname_r(master_, name.data(), name.size()) != 0) {
    const int error = errno;
    closeAll();
    errno = error;
    return false;
  }

  slave_ = ::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tty{};
  if (slave_ < 0 || ::tcgetattr(slave_, &tty) != 0) {
    const int error = errno;
    closeAll();
    errno = error;
    return false;
  }
  ::cfmakeraw(&tty);  // the adapter model does the echoing, and 0x0D is data
  ::cfsetispeed(&tty, B9600);
  ::cfsetospeed(&tty, B9600);
  if (::tcsetattr(slave_, TCSANOW, &tty) != 0) {
    const int error = errno;
    closeAll();
    errno = error;
    return false;
  }
  path_ = name.data();
  return true;
}

void PtyServer::stop() {
  stopping_.store(true);
  if (wakeWrite_ >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite_, &byte, 1);
  }
}

void PtyServer::serve() {
  if (master_ < 0) return;
  const Clock::time_point start = Clock::now();
  const auto now = [start] { return SimTime(Clock::now() - start); };

  std::vector<std::uint8_t> outbox;  // due bytes the pseudo-terminal has not taken yet
  std::array<std::uint8_t, 256> buffer{};
  while (!stopping_.load()) {
    // Hand over every byte that is due.
    if (bridge_) {
      // Each byte reaches the bridge at its own time, then waits for the bridge's burst.
      const SimTime time = now();
      for (std::optional<SimTime> at; (at = adapter_.visibleAt(0)) && *at <= time;) {
        std::uint8_t byte = 0;
        adapter_.read({&byte, 1}, *at);
        bridge_->receive(byte, *at);
      }
      bridge_->release(time, outbox);
    } else {
      for (std::size_t taken = 0; (taken = adapter_.read(buffer, now())) > 0;) {
        outbox.insert(outbox.end(), buffer.begin(),
                      buffer.begin() + static_cast<std::ptrdiff_t>(taken));
      }
    }
    while (!outbox.empty()) {
      const ssize_t written = ::write(master_, outbox.data(), outbox.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) break;  // full: the client is not reading
      outbox.erase(outbox.begin(), outbox.begin() + written);
    }

    SimTime wait = kIdleWait;
    if (!outbox.empty()) {
      wait = kFullWait;
    } else {
      if (const std::optional<SimTime> next = adapter_.visibleAt(0))
        wait = std::min(wait, *next - now());
      if (const std::optional<SimTime> burst = bridge_ ? bridge_->nextRelease() : std::nullopt)
        wait = std::min(wait, *burst - now());
    }
    const timespec timeout = toTimespec(wait);
    std::array<pollfd, 2> fds{{{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}}};
    const int ready = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if ((fds[1].revents & POLLIN) != 0) break;
    if ((fds[0].revents & POLLIN) != 0) {
      const ssize_t count = ::read(master_, buffer.data(), buffer.size());
      if (count > 0) {
        adapter_.write({buffer.data(), static_cast<std::size_t>(count)}, now());
      }
    }
  }
  // Leave the wake-up pipe empty for a later serve().
  char drain[16];
  while (::read(wakeRead_, drain, sizeof drain) > 0) {
  }
  stopping_.store(false);
}

}  // namespace vortlen::sim
