#include "wire_trace.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string>

#include "error_text.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vortlen {

namespace {

std::size_t putPrefix(char* out, std::size_t size, long long ms, char direction) {
  if (size < 28) return 0;
  char* end = std::to_chars(out, out + 20, ms).ptr;
  *end++ = ' ';
  *end++ = direction;
  return static_cast<std::size_t>(end - out);
}

}  // namespace

std::size_t formatTraceBytes(char* out, std::size_t size, long long ms, char direction,
                             const std::uint8_t* data, std::size_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t length = putPrefix(out, size, ms, direction);
  if (length == 0) return 0;
  for (std::size_t i = 0; i < n && length + 4 < size; ++i) {
    out[length++] = ' ';
    out[length++] = kHex[data[i] >> 4];
    out[length++] = kHex[data[i] & 0x0F];
  }
  out[length++] = '\n';
  return length;
}

std::size_t formatTraceNote(char* out, std::size_t size, long long ms, std::string_view text) {
  std::size_t length = putPrefix(out, size, ms, kTraceNote);
  if (length == 0) return 0;
  out[length++] = ' ';
  const std::size_t room = size - length - 1;
  const std::size_t count = std::min(text.size(), room);
  // One line each: the line breaks of a message become blanks.
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[i];
    out[length++] = (c == '\n' || c == '\r') ? ' ' : c;
  }
  out[length++] = '\n';
  return length;
}

std::string traceRunHeader(std::string_view program, std::time_t when, std::string_view com,
                           std::string_view device) {
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  char time[64];
  const std::size_t timeLength = std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S %z", &local);
  std::string header = "=== ";
  header.append(program);
  header.append(", ").append(time, timeLength);
  header.append(", ").append(com).append(" = ");
  header.append(device.empty() ? std::string_view("нет устройства") : device);
  header.push_back('\n');
  return header;
}

bool WireTrace::open(const char* path) {
  close();
  failure_.clear();
#ifdef _WIN32
  file_ = std::fopen(path, "a");
#else
  const int fd =
      ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    file_ = ::fdopen(fd, "a");
    if (file_ == nullptr) ::close(fd);
  }
#endif
  if (file_ == nullptr) {
    failure_ = errorText(errno);
    return false;
  }
  // The stream's buffer is ours too: nothing is allocated once the trace is open.
  std::setvbuf(file_, buffer_, _IOFBF, sizeof buffer_);
  start_ = std::chrono::steady_clock::now();
  return true;
}

void WireTrace::close() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
}

long long WireTrace::elapsedMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void WireTrace::put(std::size_t length) {
  errno = 0;
  // A crash loses at most the line being written.
  if (std::fwrite(line_, 1, length, file_) == length && std::fflush(file_) == 0) return;
  failure_ = errorText(errno != 0 ? errno : EIO);
  close();
  if (writeFailed_) writeFailed_();
}

void WireTrace::bytes(char direction, const std::uint8_t* data, std::size_t n) {
  if (file_ == nullptr || n == 0) return;
  put(formatTraceBytes(line_, sizeof line_, elapsedMs(), direction, data, n));
}

void WireTrace::result(LinkResult result) {
  if (file_ == nullptr) return;
  const std::string_view message = linkMessage(result);
  put(formatTraceNote(line_, sizeof line_, elapsedMs(), message.empty() ? "Ok" : message));
}

void WireTrace::portOpened(std::string_view com, std::string_view device,
                           std::string_view failure) {
  if (file_ == nullptr) return;
  if (!runBegun_) {
    runBegun_ = true;
    // The runs before end where this one begins: an empty line between them.
    std::fseek(file_, 0, SEEK_END);
    if (std::ftell(file_) > 0) std::fputs("\n", file_);
    const std::string header = traceRunHeader(program_, std::time(nullptr), com, device);
    std::fputs(header.c_str(), file_);
    std::fflush(file_);
  } else if (failure.empty()) {
    note(std::string(com) + " = " + std::string(device));
  }
  if (failure.empty()) return;
  if (device.empty()) {
    note(std::string(com) + " не открыт: нет устройства");
  } else {
    note(std::string(com) + " = " + std::string(device) + " не открыт: " + std::string(failure));
  }
}

void WireTrace::note(std::string_view text) {
  if (file_ == nullptr) return;
  put(formatTraceNote(line_, sizeof line_, elapsedMs(), text));
}

}  // namespace vortlen
