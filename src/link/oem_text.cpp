#include "oem_text.h"

#include <algorithm>
#include <array>

namespace vortlen {
namespace {

// Code page 866 from 0x80 up; the lower half is ASCII.
constexpr std::array<char16_t, 128> kUpperHalf = {
    // 0x80..0x9F: А..Я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  //
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  //
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  //
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  //
    // 0xA0..0xAF: а..п
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  //
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  //
    // 0xB0..0xDF: shades, box drawing and blocks
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  //
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  //
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  //
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  //
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  //
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  //
    // 0xE0..0xEF: р..я
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  //
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  //
    // 0xF0..0xFF: Ё ё Є є Ї ї Ў ў ° ∙ · √ № ¤ ■ no-break space
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  //
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  //
};

// Every code point of the page lies below U+10000, so three bytes are the most one needs.
void appendUtf8(char16_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string oemToUtf8(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    appendUtf8(byte < 0x80 ? char16_t{byte} : kUpperHalf[byte - 0x80u], out);
  }
  return out;
}

std::string utf8ToOem(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    char32_t c = 0;
    std::size_t length = 1;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      c = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      c = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      c = lead & 0x07u;
    } else {
      out += '?';
      ++i;
      continue;
    }
    bool wellFormed = i + length <= text.size();
    for (std::size_t k = 1; wellFormed && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) wellFormed = false;
      c = (c << 6) | (next & 0x3Fu);
    }
    if (!wellFormed) {
      out += '?';
      ++i;
      continue;
    }
    i += length;
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    const auto found = std::find(kUpperHalf.begin(), kUpperHalf.end(), c);
    out += found == kUpperHalf.end() ? '?' : static_cast<char>(0x80 + (found - kUpperHalf.begin()));
  }
  return out;
}

std::string ecuText(std::span<const std::uint8_t> bytes, std::size_t maxLength) {
  bytes = bytes.first(std::min(bytes.size(), maxLength));
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  auto first = bytes.begin();
  auto last = end;
  while (first != last && *first == ' ') ++first;
  while (last != first && *(last - 1) == ' ') --last;
  return oemToUtf8(std::span<const std::uint8_t>(first, last));
}

}  // namespace vortlen
