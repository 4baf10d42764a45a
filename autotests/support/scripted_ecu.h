#pragma once

// A port with an ECU behind it that answers from a script: every request is recorded (decoded,
// without its checksum) and gets the next scripted answer, or silence (NoAnswer) when the
// script says so or has run out.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ecu_link.h"
#include "frame_codec.h"
#include "serial_port.h"

namespace vortlen::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedEcu final : public SerialPort {
 public:
  bool open(const char*) override { return open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void purge() override { pending_.clear(); }

  std::size_t write(const std::uint8_t* data, std::size_t n) override {
    if (!open_) return 0;
    Bytes body(n);
    const FrameBody decoded = decodeFrameBody(data, n - 1, body.data(), body.size());
    body.resize(decoded.decodedCount - 1);  // the checksum byte
    requests.push_back(body);
    pending_.assign(data, data + n);  // the adapter's echo
    std::optional<Bytes> answer;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    if (answer) {
      std::uint8_t frame[2 * 300 + 3];
      const std::size_t length = encodeFrame(answer->data(), answer->size(), frame);
      pending_.insert(pending_.end(), frame, frame + length);
    }
    return n;
  }

  std::size_t read(std::uint8_t* buffer, std::size_t n) override {
    const std::size_t count = std::min(n, pending_.size());
    std::copy(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count), buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }

  void answer(Bytes bytes) { answers.emplace_back(std::move(bytes)); }
  void silence() { answers.emplace_back(std::nullopt); }

  std::deque<std::optional<Bytes>> answers;
  std::vector<Bytes> requests;

 private:
  bool open_ = true;
  std::deque<std::uint8_t> pending_;
};

}  // namespace vortlen::test
