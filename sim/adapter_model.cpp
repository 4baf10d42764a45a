#include "adapter_model.h"

#include <algorithm>

#include "frame_codec.h"

namespace vortlen::sim {

AdapterModel::AdapterModel(EcuModel& ecu, AdapterOptions options) : ecu_(ecu), options_(options) {}

void AdapterModel::queue(std::uint8_t byte, SimTime at, bool answer) {
  // A byte cannot overtake the one before it from the same sender, and with pacing it follows
  // it by one byte time at least. The echo does not wait for a late answer.
  SimTime& last = answer ? lastAnswerAt_ : lastEchoAt_;
  at = std::max(at, options_.pace ? last + kByteTime : last);
  last = at;
  const auto later =
      std::upper_bound(output_.begin(), output_.end(), at,
                       [](SimTime time, const Pending& pending) { return time < pending.at; });
  output_.insert(later, {at, byte, answer});
}

void AdapterModel::discard() {
  output_.clear();
  lastEchoAt_ = lastAnswerAt_ = SimTime::min();
}

SimTime AdapterModel::write(std::span<const std::uint8_t> data, SimTime now) {
  const SimTime step = options_.pace ? kByteTime : SimTime::zero();
  SimTime at = now;
  for (const std::uint8_t byte : data) {
    at += step;
    if (!options_.echo) continue;  // an adapter without power passes nothing on
    if (at - lastByteAt_ > kFrameGap) {
      framePosition_ = 0;
      incoming_.clear();
      dropping_ = false;
    }
    lastByteAt_ = at;

    std::uint8_t echo = byte;
    if (options_.corruptEchoAt == framePosition_) echo ^= 0xFF;
    queue(echo, at, false);
    ++framePosition_;

    if (byte == kFrameTerminator) {
      framePosition_ = 0;
      if (!dropping_) frameComplete(at);
      dropping_ = false;
      incoming_.clear();
    } else if (!dropping_) {
      incoming_.push_back(byte);
      if (incoming_.size() > kMaxRequestFrame) {
        dropping_ = true;
        incoming_.clear();
      }
    }
  }
  return at;
}

void AdapterModel::frameComplete(SimTime at) {
  std::vector<std::uint8_t> decoded(incoming_.size());
  const FrameBody body =
      decodeFrameBody(incoming_.data(), incoming_.size(), decoded.data(), decoded.size());
  if (body.decodedCount == 0) return;  // a lone terminator is no request
  const bool checksumOk = !body.danglingEscape && body.sum == 0;
  const std::span<const std::uint8_t> request(decoded.data(), body.decodedCount - 1);
  if (observer_) observer_(request, checksumOk);
  if (!checksumOk) return;

  std::erase_if(output_,
                [at](const Pending& pending) { return pending.answer && pending.at > at; });
  lastAnswerAt_ = std::min(lastAnswerAt_, at);

  // The engine has been running since the last request; let it catch up, in whole
  // milliseconds, carrying the rest to the next time.
  if (ecuTime_) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(at - *ecuTime_);
    if (elapsed.count() > 0) {
      ecu_.advance(elapsed);
      *ecuTime_ += elapsed;
    }
  } else {
    ecuTime_ = at;
  }

  const std::optional<Bytes> answer = ecu_.answer(request);
  if (!answer || options_.silentEcu) return;
  if (answerObserver_) answerObserver_(*answer);

  SimTime next = at + options_.answerDelay;
  const SimTime step = options_.pace ? kByteTime : SimTime::zero();
  for (const std::uint8_t byte : answerFrame(*answer)) {
    next += step;
    queue(byte, next, true);
  }
}

std::vector<std::uint8_t> AdapterModel::answerFrame(const Bytes& answer) const {
  Bytes data = answer;
  if (options_.overlongAnswer && data.size() < kOverlongDataLength)
    data.resize(kOverlongDataLength, 0);
  if (options_.badChecksum) {
    // Encode the answer followed by a checksum one too high as if it were data, then cut the
    // checksum that the encoder adds after it.
    data.push_back(static_cast<std::uint8_t>(frameChecksum(data.data(), data.size()) + 1));
  }
  std::vector<std::uint8_t> frame(maxFrameLength(data.size()));
  std::size_t length = encodeFrame(data.data(), data.size(), frame.data());
  if (options_.badChecksum) {
    const std::uint8_t extra = frameChecksum(data.data(), data.size());
    length -= (extra == kFrameTerminator || extra == kFrameEscape) ? 3 : 2;
    frame[length++] = kFrameTerminator;
  }
  frame.resize(length);
  return frame;
}

std::size_t AdapterModel::read(std::span<std::uint8_t> out, SimTime now) {
  std::size_t count = 0;
  while (count < out.size() && !output_.empty() && output_.front().at <= now) {
    out[count++] = output_.front().byte;
    output_.pop_front();
  }
  return count;
}

std::optional<SimTime> AdapterModel::visibleAt(std::size_t index) const {
  if (index >= output_.size()) return std::nullopt;
  return output_[index].at;
}

}  // namespace vortlen::sim
