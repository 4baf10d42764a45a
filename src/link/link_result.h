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

/// What to check for each message, index = code, empty for Ok: the numbered list «Что
/// проверить» of the message's section in the user guide (docs/guide.md, without its markup),
/// one item a line. The main window's header shows it beside the message.
inline constexpr std::u8string_view LinkRemedies[kLinkResultCount] = {
    u8"",
    u8"1. Вставлен ли адаптер в компьютер; в Windows — виден ли порт в «Диспетчере устройств» и "
    u8"какой у него номер.\n"
    u8"2. Какой порт выбран в «Дополнительно › Настройка программы»: подсказка у порта называет "
    u8"его устройство и говорит, свободно ли оно.\n"
    u8"3. В Linux: groups показывает dialout; переменная VORTLEN3_COMn, если задана, указывает "
    u8"на нужное устройство.\n"
    u8"4. Закройте другие программы, работающие с портом, и перезапустите Вортлен.",
    u8"1. Зажигание включено; на колодке есть +12 В относительно массы.\n"
    u8"2. Разъёмы адаптера со стороны колодки и со стороны компьютера.\n"
    u8"3. Выбранный порт — тот, к которому подключён адаптер.\n"
    u8"4. Кабель COM: контакты 2, 3 и 5.",
    u8"1. Масса адаптера и контакты в диагностической колодке.\n"
    u8"2. Отключите другие диагностические приборы от колодки.\n"
    u8"3. Напряжение аккумулятора; провод адаптера подальше от высоковольтных проводов.",
    u8"1. Отключите от колодки всё, кроме адаптера.\n"
    u8"2. Проверьте, нет ли замыкания линии K на массу или на «+».\n"
    u8"3. Попробуйте другой адаптер.",
    u8"1. Зажигание включено, предохранители и главное реле блока.\n"
    u8"2. Провод линии K от колодки до разъёма блока (прозвонить).\n"
    u8"3. Тип блока на наклейке: Микас 5.4, 7.1 или 7.2.\n"
    u8"4. Отключите другие приборы от колодки.",
    u8"1. Контакты и массу адаптера.\n"
    u8"2. Повторите при заглушённом двигателе (зажигание включено).\n"
    u8"3. Уберите провод адаптера от катушек и высоковольтных проводов; попробуйте другой "
    u8"переходник.",
};

/// The message of a result as UTF-8 bytes.
constexpr std::string_view linkMessage(LinkResult result) {
  const auto code = static_cast<int>(result);
  if (code < 0 || code >= kLinkResultCount) return {};
  const std::u8string_view text = LinkMessages[code];
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

/// What to check when `text` is a result's message, one item a line; empty for any other text.
constexpr std::string_view linkRemedy(std::string_view text) {
  for (int code = 1; code < kLinkResultCount; ++code) {
    if (linkMessage(static_cast<LinkResult>(code)) != text) continue;
    const std::u8string_view remedy = LinkRemedies[code];
    return {reinterpret_cast<const char*>(remedy.data()), remedy.size()};
  }
  return {};
}

constexpr unsigned linkCode(LinkResult result) {
  return static_cast<unsigned>(result);
}

}  // namespace vortlen
