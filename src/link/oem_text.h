#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vortlen {

/// Bytes in code page 866 (the DOS Cyrillic code page the ECU keeps its texts in) as UTF-8.
std::string oemToUtf8(std::span<const std::uint8_t> bytes);

/// UTF-8 text in code page 866, one byte per character. A character the page does not have
/// becomes '?', and so does a malformed UTF-8 sequence.
std::string utf8ToOem(std::string_view text);

/// A text the ECU sent: at most `maxLength` bytes, up to the first zero byte, converted from
/// code page 866, blanks removed from both ends.
std::string ecuText(std::span<const std::uint8_t> bytes, std::size_t maxLength);

}  // namespace vortlen
