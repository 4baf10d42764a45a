#pragma once

#include <cstdint>
#include <string_view>

namespace vortlen {

/// The outcome of one transaction with the ECU. The numbers are fixed: windows show them
/// ("Err %u") and the messages below are indexed by them.
enum class LinkResult : std::int32_t {
  Ok = 0,
  PortNotOpen = 1,   ///< the port took no byte of the frame
  AdapterOff = 2,    ///< the echo was still incomplete after 10 reads
  EchoMismatch = 3,  ///< a byte of the echo differs from the byte sent
  Overflow = 4,      ///< the answer does not fit the link's areas
  NoAnswer = 5,      ///< no terminator within 36 reads
  BadChecksum = 6,   ///< the answer is malformed or its bytes do not add up to 0
};

inline constexpr int kLinkResultCount = 7;

/// The fixed message of each result, index = code; empty for Ok.
inline constexpr std::u8string_view LinkMessages[kLinkResultCount] = {
    u8"",
    u8"Порт не открыт",
    u8"Не включен адаптер",
    u8"Ошибка эхо сигнала",
    u8"Буфер переполнен",
    u8"Нет ответа ЭБУ",
    u8"Ошибка контр суммы",
};

/// The message of a result as UTF-8 bytes.
constexpr std::string_view linkMessage(LinkResult result) {
  const auto code = static_cast<int>(result);
  if (code < 0 || code >= kLinkResultCount) return {};
  const std::u8string_view text = LinkMessages[code];
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

constexpr unsigned linkCode(LinkResult result) {
  return static_cast<unsigned>(result);
}

}  // namespace vortlen
