#include "frame_codec.h"

namespace vortlen {
namespace {

std::size_t putEscaped(std::uint8_t byte, std::uint8_t* out) {
  if (byte == kFrameTerminator || byte == kFrameEscape) {
    out[0] = kFrameEscape;
    out[1] = static_cast<std::uint8_t>(byte - kFrameEscape);
    return 2;
  }
  out[0] = byte;
  return 1;
}

}  // namespace

std::uint8_t frameChecksum(const std::uint8_t* data, std::size_t length) {
  std::uint8_t checksum = 0;
  for (std::size_t i = 0; i < length; ++i) checksum = static_cast<std::uint8_t>(checksum - data[i]);
  return checksum;
}

std::size_t encodeFrame(const std::uint8_t* data, std::size_t length, std::uint8_t* out) {
  std::size_t position = 0;
  for (std::size_t i = 0; i < length; ++i) position += putEscaped(data[i], out + position);
  position += putEscaped(frameChecksum(data, length), out + position);
  out[position++] = kFrameTerminator;
  return position;
}

FrameBody decodeFrameBody(const std::uint8_t* raw, std::size_t rawLength, std::uint8_t* out,
                          std::size_t capacity) {
  FrameBody body;
  std::size_t i = 0;
  while (i < rawLength) {
    std::uint8_t byte = raw[i++];
    if (byte == kFrameEscape) {
      if (i == rawLength) {
        body.danglingEscape = true;
        break;
      }
      byte = static_cast<std::uint8_t>(kFrameEscape + raw[i++]);
    }
    if (body.decodedCount < capacity) out[body.decodedCount] = byte;
    ++body.decodedCount;
    body.sum = static_cast<std::uint8_t>(body.sum + byte);
  }
  return body;
}

}  // namespace vortlen
