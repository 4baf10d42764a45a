#pragma once

// A line on which each request gets the answer the test chose: the adapter echoes the frame,
// then the ECU answers with the next queued data bytes, or stays silent for a queued silence.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "frame_codec.h"
#include "serial_port.h"

namespace vortlen::test {

class AnsweringPort final : public SerialPort {
 public:
  using Bytes = std::vector<std::uint8_t>;

  void answer(Bytes data) { answers_.push_back(std::move(data)); }
  void silence() { answers_.push_back(std::nullopt); }

  bool open(const char*) override { return open_ = true; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void purge() override { pending_.clear(); }
  std::size_t write(const std::uint8_t* data, std::size_t n) override {
    requests.emplace_back(data, data + n);
    pending_.assign(data, data + n);
    std::optional<Bytes> next;
    if (!answers_.empty()) {
      next = std::move(answers_.front());
      answers_.pop_front();
    }
    if (next) {
      std::vector<std::uint8_t> frame(maxFrameLength(next->size()));
      frame.resize(encodeFrame(next->data(), next->size(), frame.data()));
      pending_.insert(pending_.end(), frame.begin(), frame.end());
    }
    return n;
  }
  std::size_t read(std::uint8_t* buffer, std::size_t n) override {
    const std::size_t count = std::min(n, pending_.size());
    std::copy_n(pending_.begin(), count, buffer);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }

  std::vector<Bytes> requests;  // the frames written, as sent

 private:
  bool open_ = true;
  std::deque<std::optional<Bytes>> answers_;
  std::deque<std::uint8_t> pending_;
};

}  // namespace vortlen::test
