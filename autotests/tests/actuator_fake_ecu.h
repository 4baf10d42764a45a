#pragma once

// An ECU that answers what a test tells it to, behind an adapter that echoes: for the
// actuator window, whose answers (speed, regulator position) the tests must choose exactly.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "frame_codec.h"
#include "serial_port.h"

namespace vortlen::test {

using Bytes = std::vector<std::uint8_t>;

class FakeEcuPort final : public SerialPort {
 public:
  /// The answers to read requests, by request bytes; a request missing here is answered by
  /// `fallback`, and every write (0x62) is answered with `completion`.
  std::map<Bytes, Bytes> answers;
  std::uint8_t completion = 0;
  /// false: the adapter has no power, nothing is echoed (the link reports AdapterOff).
  bool adapterOn = true;
  /// false: the ECU hears but does not answer (NoAnswer).
  bool ecuAnswers = true;

  /// Every request the ECU heard, decoded, oldest first.
  std::vector<Bytes> requests;
  /// When set, each request is also logged here as "request 62 0A ...".
  std::vector<std::string>* log = nullptr;

  bool open(const char*) override {
    open_ = true;
    return true;
  }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void purge() override {
    pending_.clear();
    incoming_.clear();
  }

  std::size_t write(const std::uint8_t* data, std::size_t n) override {
    if (!open_) return 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (adapterOn) pending_.push_back(data[i]);
      incoming_.push_back(data[i]);
      if (data[i] == kFrameTerminator) frameComplete();
    }
    return n;
  }

  std::size_t read(std::uint8_t* buffer, std::size_t n) override {
    std::size_t count = 0;
    while (count < n && !pending_.empty()) {
      buffer[count++] = pending_.front();
      pending_.pop_front();
    }
    return count;
  }

  Bytes lastRequest() const { return requests.empty() ? Bytes{} : requests.back(); }

 private:
  void frameComplete() {
    std::vector<std::uint8_t> decoded(incoming_.size());
    const FrameBody body =
        decodeFrameBody(incoming_.data(), incoming_.size() - 1, decoded.data(), decoded.size());
    incoming_.clear();
    if (!adapterOn || body.decodedCount == 0) return;
    decoded.resize(body.decodedCount - 1);  // the checksum byte goes
    requests.push_back(decoded);
    if (log) log->push_back("request " + hex(decoded));
    if (!ecuAnswers) return;
    Bytes answer;
    if (decoded[0] == 0x62) {
      answer = {completion};
    } else if (const auto found = answers.find(decoded); found != answers.end()) {
      answer = found->second;
    } else {
      answer = Bytes(decoded.size() - 1, 0);  // one zero byte a code
    }
    std::vector<std::uint8_t> frame(maxFrameLength(answer.size()));
    frame.resize(encodeFrame(answer.data(), answer.size(), frame.data()));
    pending_.insert(pending_.end(), frame.begin(), frame.end());
  }

  static std::string hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
      if (!text.empty()) text += ' ';
      text += digits[byte >> 4];
      text += digits[byte & 15];
    }
    return text;
  }

  bool open_ = false;
  std::deque<std::uint8_t> pending_;
  Bytes incoming_;
};

}  // namespace vortlen::test
