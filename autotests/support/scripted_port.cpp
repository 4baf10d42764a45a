#include "scripted_port.h"

#include <algorithm>
#include <cstring>

namespace vortlen::test {

std::size_t ScriptedPort::write(const std::uint8_t* data, std::size_t n) {
  log('W');
  if (!opened_) return 0;
  std::memcpy(written.data() + writtenLength, data, n);
  writtenLength += n;
  if (echo) {
    // The echo arrives ahead of everything scripted for the answer.
    std::copy_backward(chunks_.begin() + static_cast<std::ptrdiff_t>(nextChunk_),
                       chunks_.begin() + static_cast<std::ptrdiff_t>(chunkCount_),
                       chunks_.begin() + static_cast<std::ptrdiff_t>(chunkCount_ + 1));
    ++chunkCount_;
    std::memcpy(bytes_.data() + bytesLength_, data, n);
    if (corruptEchoAt >= 0 && static_cast<std::size_t>(corruptEchoAt) < n) {
      bytes_[bytesLength_ + static_cast<std::size_t>(corruptEchoAt)] ^= 0xFF;
    }
    chunks_[nextChunk_] = {bytesLength_, n};
    bytesLength_ += n;
  }
  delivering_ = true;
  return n;
}

std::size_t ScriptedPort::read(std::uint8_t* buffer, std::size_t n) {
  log('R');
  if (reads < static_cast<int>(kMaxReads)) asked[static_cast<std::size_t>(reads)] = n;
  ++reads;
  if (!opened_) return 0;
  if (staleLength_ > 0) {
    const std::size_t count = std::min(n, staleLength_);
    std::memcpy(buffer, staleBytes_.data(), count);
    std::memmove(staleBytes_.data(), staleBytes_.data() + count, staleLength_ - count);
    staleLength_ -= count;
    return count;
  }
  if (!delivering_ || nextChunk_ == chunkCount_) return 0;
  Chunk& next = chunks_[nextChunk_];
  const std::size_t count = std::min(n, next.length);
  std::memcpy(buffer, bytes_.data() + next.begin, count);
  next.begin += count;
  next.length -= count;
  if (next.length == 0) ++nextChunk_;
  return count;
}

void ScriptedPort::stale(std::initializer_list<std::uint8_t> bytes) {
  std::copy(bytes.begin(), bytes.end(),
            staleBytes_.begin() + static_cast<std::ptrdiff_t>(staleLength_));
  staleLength_ += bytes.size();
}

void ScriptedPort::chunk(std::initializer_list<std::uint8_t> bytes) {
  chunk(std::data(bytes), bytes.size());
}

void ScriptedPort::chunk(const std::uint8_t* bytes, std::size_t n) {
  if (n > 0) std::memcpy(bytes_.data() + bytesLength_, bytes, n);
  chunks_[chunkCount_++] = {bytesLength_, n};
  bytesLength_ += n;
}

void ScriptedPort::silence(int count) {
  for (int i = 0; i < count; ++i) chunk(nullptr, 0);
}

}  // namespace vortlen::test
