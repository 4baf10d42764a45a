// Every byte that comes back from the line is untrusted: this feeds arbitrary echoes and
// answers, in arbitrary pieces, through a whole transaction.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "ecu_link.h"

namespace {

using vortlen::EcuLink;
using vortlen::LinkResult;

/// Plays the fuzzer's bytes as the line: each read takes a length byte, then that many
/// bytes (at most the number asked for). With `echoFrame` the frame's echo comes back first.
class FuzzPort final : public vortlen::SerialPort {
 public:
  FuzzPort(const std::uint8_t* data, std::size_t size, bool echoFrame, bool takesFrame)
      : data_(data), size_(size), echoFrame_(echoFrame), takesFrame_(takesFrame) {}

  bool open(const char*) override { return true; }
  bool isOpen() const override { return true; }
  void close() override {}
  void purge() override {}

  std::size_t write(const std::uint8_t* frame, std::size_t n) override {
    if (!takesFrame_) return 0;
    if (echoFrame_) {
      std::memcpy(echo_.data(), frame, n);
      echoLeft_ = n;
    }
    return n;
  }

  std::size_t read(std::uint8_t* buffer, std::size_t n) override {
    if (n == 0 || n > EcuLink::kAnswerReadSize) __builtin_trap();  // the link asks within bounds
    if (echoLeft_ > 0) {
      const std::size_t count = std::min(n, echoLeft_);
      std::memcpy(buffer, echo_.data() + echoSent_, count);
      echoSent_ += count;
      echoLeft_ -= count;
      return count;
    }
    if (size_ == 0) return 0;
    std::size_t count = std::min<std::size_t>(*data_ % (n + 1), n);
    ++data_;
    --size_;
    count = std::min(count, size_);
    std::memcpy(buffer, data_, count);
    data_ += count;
    size_ -= count;
    return count;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  bool echoFrame_;
  bool takesFrame_;
  std::array<std::uint8_t, 64> echo_{};
  std::size_t echoLeft_ = 0;
  std::size_t echoSent_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t mode = data[0];
  // Lengths 0..31 cover the refused requests on both sides of 1..30.
  const std::size_t requestLength = std::min<std::size_t>(mode & 0x1F, size - 1);
  const std::uint8_t* request = data + 1;
  data += 1 + requestLength;
  size -= 1 + requestLength;

  FuzzPort port(data, size, (mode & 0x20) == 0, (mode & 0x40) == 0);
  vortlen::SharedPort shared(port);
  EcuLink link(shared);
  link.ResponseBuffer().fill(0xA5);

  const LinkResult result = link.transact(request, requestLength);
  const int code = static_cast<int>(result);
  if (code < 0 || code >= vortlen::kLinkResultCount) __builtin_trap();
  if (result != link.lastResult()) __builtin_trap();
  if (link.answerLength() > EcuLink::kResponseSize) __builtin_trap();
  if (result != LinkResult::Ok && result != LinkResult::BadChecksum) {
    // Only an answer that arrived whole may change the buffer.
    for (std::uint8_t byte : link.ResponseBuffer()) {
      if (byte != 0xA5) __builtin_trap();
    }
  }
  return 0;
}
