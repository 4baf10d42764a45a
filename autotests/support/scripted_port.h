#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "serial_port.h"

namespace vortlen::test {

/// A serial port that plays a script: each read after a write hands back the next scripted
/// chunk (at most the bytes asked for; the rest of the chunk waits for the next read). It
/// records every call, and it allocates nothing after construction, so a test can watch the
/// link's own allocations.
class ScriptedPort final : public SerialPort {
 public:
  static constexpr std::size_t kCapacity = 4096;
  static constexpr std::size_t kMaxChunks = 256;
  static constexpr std::size_t kMaxReads = 128;

  bool openSucceeds = true;
  /// When set, a write's bytes come back as the first chunk (the adapter's echo).
  bool echo = true;
  /// With `echo`, the byte at this position of the echo is inverted (negative: none).
  int corruptEchoAt = -1;

  bool open(const char* name) override {
    openedName = name;
    opened_ = openSucceeds;
    return opened_;
  }
  bool isOpen() const override { return opened_; }
  void close() override { opened_ = false; }

  void purge() override {
    log('P');
    staleLength_ = 0;
  }

  std::size_t write(const std::uint8_t* data, std::size_t n) override;
  std::size_t read(std::uint8_t* buffer, std::size_t n) override;

  /// Bytes already waiting in the input before the next transaction (a purge drops them).
  void stale(std::initializer_list<std::uint8_t> bytes);
  /// One read's worth of answer, delivered after the next write. An empty chunk is a read
  /// that finds nothing.
  void chunk(std::initializer_list<std::uint8_t> bytes);
  void chunk(const std::uint8_t* bytes, std::size_t n);
  /// `count` reads that find nothing.
  void silence(int count);

  std::string calls;  ///< 'P' purge, 'W' write, 'R' read, in order
  std::string openedName;
  std::array<std::uint8_t, kCapacity> written{};
  std::size_t writtenLength = 0;
  std::array<std::size_t, kMaxReads> asked{};  ///< n of each read
  int reads = 0;

 private:
  void log(char call) {
    if (calls.size() < calls.capacity()) calls.push_back(call);
  }

  struct Chunk {
    std::size_t begin = 0;
    std::size_t length = 0;
  };

  bool opened_ = true;
  std::array<std::uint8_t, kCapacity> bytes_{};
  std::size_t bytesLength_ = 0;
  std::array<Chunk, kMaxChunks> chunks_{};
  std::size_t chunkCount_ = 0;
  std::size_t nextChunk_ = 0;
  std::array<std::uint8_t, 64> staleBytes_{};
  std::size_t staleLength_ = 0;
  bool delivering_ = false;  // set by a write: chunks are the answer to it

 public:
  ScriptedPort() { calls.reserve(512); }
};

}  // namespace vortlen::test
