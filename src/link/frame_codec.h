#pragma once

#include <cstddef>
#include <cstdint>

namespace vortlen {

// A frame on the K-Line is the data bytes and a checksum byte, each escaped, then 0x0D.
// 0x40 x stands for the byte (0x40 + x) mod 256; 0x0D is sent as 40 CD and 0x40 as 40 00,
// so 0x0D inside a frame is always the terminator.
inline constexpr std::uint8_t kFrameTerminator = 0x0D;
inline constexpr std::uint8_t kFrameEscape = 0x40;

/// The longest frame `length` data bytes can need: every byte and the checksum escaped,
/// plus the terminator.
constexpr std::size_t maxFrameLength(std::size_t length) {
  return 2 * (length + 1) + 1;
}

/// The checksum byte that makes `data` add up to 0 modulo 256.
std::uint8_t frameChecksum(const std::uint8_t* data, std::size_t length);

/// Writes the frame of `data` into `out`, which holds at least maxFrameLength(length) bytes.
/// Returns the frame's length.
std::size_t encodeFrame(const std::uint8_t* data, std::size_t length, std::uint8_t* out);

struct FrameBody {
  std::size_t decodedCount = 0;  ///< bytes the body decodes to, checksum byte included
  std::uint8_t sum = 0;          ///< all decoded bytes added modulo 256; 0 for a sound frame
  bool danglingEscape = false;   ///< the body ends with a 0x40 that has no second byte
};

/// Unescapes a frame body (the raw bytes before the terminator). Stores the first `capacity`
/// decoded bytes in `out` (which may be null when `capacity` is 0) and sums every decoded
/// byte. A dangling 0x40 at the end is reported, neither stored nor summed.
FrameBody decodeFrameBody(const std::uint8_t* raw, std::size_t rawLength, std::uint8_t* out,
                          std::size_t capacity);

}  // namespace vortlen
