// vortlen3-ecusim: an idling ЗМЗ-4062.10 with its Микас 7.1 behind a K-Line adapter, served on a
// pseudo-terminal. Prints the terminal's path on the first line and serves until SIGINT or
// SIGTERM.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "adapter_model.h"
#include "ecu_model.h"
#include "pty_server.h"
#include "wire_trace.h"

namespace {

using vortlen::sim::AdapterModel;
using vortlen::sim::AdapterOptions;
using vortlen::sim::EcuModel;
using vortlen::sim::PtyServer;

constexpr int kExitBadOption = 2;

constexpr const char* kUsage =
    "Usage: vortlen3-ecusim [options]\n"
    "Simulates a Микас 7.1 ECU behind a K-Line adapter on a pseudo-terminal.\n"
    "Prints the terminal's path on the first line, then serves until SIGINT or SIGTERM.\n"
    "\n"
    "  --no-echo          the adapter has no power: no echo, no answer\n"
    "  --corrupt-echo N   invert the echo of byte N (from 0) of every frame\n"
    "  --silent           echo, but the ECU never answers\n"
    "  --bad-checksum     answers carry a wrong checksum\n"
    "  --overlong         answers are longer than 515 bytes on the line\n"
    "  --delay MS         wait MS milliseconds (0..10000) before each answer\n"
    "  --pace             send at 9600 baud (about 1.04 ms a byte) instead of at once\n"
    "  --usb-latency MS   a USB-serial bridge in front: what the adapter sends reaches the\n"
    "                     port in bursts, one every MS milliseconds (1..255) or when 62\n"
    "                     bytes wait\n"
    "  --refuse CODE      refuse every write and reset with completion code CODE (1..255)\n"
    "  --unplug-at N      the adapter is pulled out as request N arrives: it goes unanswered,\n"
    "                     the terminal closes and the program ends\n"
    "  --log              log each request to stderr in the lines of the program's wire\n"
    "                     trace: milliseconds since the start, '>', the bytes in hex\n"
    "  --log-answers PATH write each answer to PATH, after the time of day HH:MM:SS.mmm\n"
    "  --link PATH        also make the symbolic link PATH to the terminal\n"
    "  --help             show this text\n";

PtyServer* activeServer = nullptr;

void onSignal(int) {
  if (activeServer != nullptr) activeServer->stop();
}

std::optional<unsigned long> parseNumber(const char* text, unsigned long low, unsigned long high) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 0);
  if (errno != 0 || *end != '\0' || text[0] == '-' || value < low || value > high)
    return std::nullopt;
  return value;
}

int badOption(const std::string& message) {
  std::fprintf(stderr, "vortlen3-ecusim: %s\nTry 'vortlen3-ecusim --help'.\n", message.c_str());
  return kExitBadOption;
}

// The time of day of an answer, "HH:MM:SS.mmm", to set beside the screen's own clock.
std::string timestamp() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
  return std::string(stamp) + "." + std::to_string(now.tv_nsec / 1'000'000 + 1000).substr(1);
}

const auto logStart = std::chrono::steady_clock::now();

// The lines of the program's wire trace: milliseconds since the start, '>' and the bytes in
// hex. Here the bytes are the request as the ECU decoded it, without checksum and terminator.
void logRequest(std::span<const std::uint8_t> request, bool checksumOk) {
  const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - logStart)
                           .count();
  char line[4 * vortlen::sim::AdapterModel::kMaxRequestFrame + 64];
  std::size_t length = vortlen::formatTraceBytes(line, sizeof line, ms, vortlen::kTraceOut,
                                                 request.data(), request.size());
  if (!checksumOk) {
    length += vortlen::formatTraceNote(line + length, sizeof line - length, ms,
                                       "bad checksum, not answered");
  }
  std::fwrite(line, 1, length, stderr);
}

}  // namespace

int main(int argc, char** argv) {
  AdapterOptions options;
  std::uint8_t refusal = 0;
  bool log = false;
  std::string linkPath;
  std::string answerLogPath;
  unsigned long unplugAt = 0;
  unsigned long usbLatency = 0;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--no-echo") {
      options.echo = false;
    } else if (arg == "--silent") {
      options.silentEcu = true;
    } else if (arg == "--bad-checksum") {
      options.badChecksum = true;
    } else if (arg == "--overlong") {
      options.overlongAnswer = true;
    } else if (arg == "--pace") {
      options.pace = true;
    } else if (arg == "--log") {
      log = true;
    } else if (arg == "--corrupt-echo") {
      const auto position = parseNumber(next, 0, 1000);
      if (!position) return badOption("--corrupt-echo needs a byte position 0..1000");
      options.corruptEchoAt = *position;
      ++i;
    } else if (arg == "--delay") {
      const auto delay = parseNumber(next, 0, 10000);
      if (!delay) return badOption("--delay needs milliseconds 0..10000");
      options.answerDelay = std::chrono::milliseconds(*delay);
      ++i;
    } else if (arg == "--usb-latency") {
      const auto latency = parseNumber(next, 1, 255);
      if (!latency) return badOption("--usb-latency needs milliseconds 1..255");
      usbLatency = *latency;
      ++i;
    } else if (arg == "--refuse") {
      const auto code = parseNumber(next, 1, 255);
      if (!code) return badOption("--refuse needs a completion code 1..255");
      refusal = static_cast<std::uint8_t>(*code);
      ++i;
    } else if (arg == "--unplug-at") {
      const auto count = parseNumber(next, 1, 1'000'000);
      if (!count) return badOption("--unplug-at needs a request count 1..1000000");
      unplugAt = *count;
      ++i;
    } else if (arg == "--log-answers") {
      if (next == nullptr || *next == '\0') return badOption("--log-answers needs a path");
      answerLogPath = next;
      ++i;
    } else if (arg == "--link") {
      if (next == nullptr || *next == '\0') return badOption("--link needs a path");
      linkPath = next;
      ++i;
    } else {
      return badOption("unknown option '" + std::string(arg) + "'");
    }
  }

  EcuModel ecu;
  ecu.setRefusal(refusal);
  AdapterModel adapter(ecu, options);
  std::FILE* answerLog = nullptr;
  if (!answerLogPath.empty()) {
    answerLog = std::fopen(answerLogPath.c_str(), "w");
    if (answerLog == nullptr) {
      std::fprintf(stderr, "vortlen3-ecusim: cannot write %s: %s\n", answerLogPath.c_str(),
                   std::strerror(errno));
      return 1;
    }
    adapter.setAnswerObserver([answerLog](std::span<const std::uint8_t> answer) {
      std::string line = timestamp();
      for (const std::uint8_t byte : answer) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", byte);
        line += hex;
      }
      std::fprintf(answerLog, "%s\n", line.c_str());
      std::fflush(answerLog);
    });
  }
  PtyServer server(adapter);
  if (usbLatency != 0) server.setUsbLatency(std::chrono::milliseconds(usbLatency));
  unsigned long requests = 0;
  if (log || unplugAt != 0) {
    adapter.setRequestObserver([&](std::span<const std::uint8_t> request, bool checksumOk) {
      if (log) logRequest(request, checksumOk);
      if (++requests == unplugAt) server.stop();
    });
  }
  if (!server.open()) {
    std::fprintf(stderr, "vortlen3-ecusim: cannot create a pseudo-terminal: %s\n",
                 std::strerror(errno));
    return 1;
  }

  if (!linkPath.empty()) {
    // Replace a link left behind by an earlier run, but nothing else.
    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode))
      ::unlink(linkPath.c_str());
    if (::symlink(server.path().c_str(), linkPath.c_str()) != 0) {
      std::fprintf(stderr, "vortlen3-ecusim: cannot make the link %s: %s\n", linkPath.c_str(),
                   std::strerror(errno));
      return 1;
    }
  }

  activeServer = &server;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  std::printf("%s\n", server.path().c_str());
  std::fflush(stdout);

  server.serve();
  activeServer = nullptr;

  if (!linkPath.empty()) ::unlink(linkPath.c_str());
  if (answerLog != nullptr) std::fclose(answerLog);
  return 0;
}
