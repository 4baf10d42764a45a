#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vortlen {

/// Bytes in code page 866 (the DOS Cyrillic code page the ECU keeps its texts in) as UTF-8.
std::string oemToUtf8(std::span<const std::uint8_t> bytes);

/// A text the ECU sent: at most `maxLength` bytes, up to the first zero byte, converted from
/// code page 866, blanks removed from both ends.
std::string ecuText(std::span<const std::uint8_t> bytes, std::size_t maxLength);

}  // namespace vortlen
