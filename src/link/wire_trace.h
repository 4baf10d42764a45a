#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "link_result.h"

namespace vortlen {

/// The directions of a trace line: bytes to the ECU, bytes from it, and a note (a transaction's
/// result, a warning) as text.
inline constexpr char kTraceOut = '>';
inline constexpr char kTraceIn = '<';
inline constexpr char kTraceNote = '=';

/// Formats one trace line, "<ms> <direction> <hex bytes>\n" ("1520 > 01 FF 0D"), into `out`
/// without allocating; returns its length (cut short to fit). The simulator's log uses it too,
/// so that one tool reads both.
std::size_t formatTraceBytes(char* out, std::size_t size, long long ms, char direction,
                             const std::uint8_t* data, std::size_t n);
/// "<ms> = <text>\n".
std::size_t formatTraceNote(char* out, std::size_t size, long long ms, std::string_view text);

/// The line that begins a run of the program in the trace, with what a support engineer needs
/// to place it: "=== Вортлен 3 3.0.0, 2026-12-08 09:41:07 +0300, COM1 = /dev/ttyUSB0\n"
/// (`program`, the local date and time of `when`, the COM choice and the device behind it;
/// "нет устройства" when there is none). Its "===" sets it apart from the timed lines.
std::string traceRunHeader(std::string_view program, std::time_t when, std::string_view com,
                           std::string_view device);

/// The wire trace: every chunk written to and read from the port, and every transaction's
/// result, appended to a file one line at a time and flushed with each line. Closed (the
/// default), each call costs a test of one pointer; open, it formats into a buffer of its own
/// and allocates nothing per line.
class WireTrace {
 public:
  WireTrace() = default;
  ~WireTrace() { close(); }
  WireTrace(const WireTrace&) = delete;
  WireTrace& operator=(const WireTrace&) = delete;

  /// Appends to the file at `path`, from now on; false when it cannot be opened, with the
  /// reason in failure(). A file it creates is readable by its owner only (the trace holds the
  /// passport texts); a symbolic link in the file's place is refused, not followed.
  bool open(const char* path);
  void close();
  bool isOpen() const { return file_ != nullptr; }
  /// Why the file could not be opened or written, in Russian; empty while all is well.
  const std::string& failure() const { return failure_; }
  /// Told once, with failure(), when a line cannot be written (a full disk, a removed drive);
  /// the trace then writes nothing more.
  void setWriteFailed(std::function<void()> told) { writeFailed_ = std::move(told); }

  void bytes(char direction, const std::uint8_t* data, std::size_t n);
  void result(LinkResult result);
  void note(std::string_view text);

  /// The program and version the run's header names ("Вортлен 3 3.0.0").
  void setProgram(std::string program) { program_ = std::move(program); }
  /// The program opens COM `com` on `device` (empty: the port has none); `failure` is why it
  /// could not, empty when it did. The first call of a run begins it: an empty line after the
  /// runs before, then the header. Every failure is a note naming the device and the reason
  /// ("COM1 = /dev/ttyUSB0 не открыт: нет доступа: …"); a later successful open (another port
  /// chosen) is a note naming the port and the device.
  void portOpened(std::string_view com, std::string_view device, std::string_view failure);

 private:
  long long elapsedMs() const;
  void put(std::size_t length);

  std::FILE* file_ = nullptr;
  std::string program_ = "Вортлен 3";
  bool runBegun_ = false;
  std::string failure_;
  std::function<void()> writeFailed_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  char line_[2400];  // the longest read (255 bytes) as hex, with room to spare
  char buffer_[4096];
};

}  // namespace vortlen
