#include "command_line.h"

namespace vortlen {

namespace {

constexpr std::string_view kHelp =
    "Использование: vortlen3 [--help | --version] [параметры Qt]\n"
    "\n"
    "Вортлен 3 — диагностика и регулировка двигателей ЗМЗ-405, ЗМЗ-406 и ЗМЗ-409 с ЭБУ\n"
    "Микас 5.4, Микас 7.1 и Микас 7.2 через адаптер K-Line на последовательном порту.\n"
    "\n"
    "  --help, -h   показать эту справку и выйти\n"
    "  --version    показать версию и выйти\n"
    "\n"
    "Переменные окружения:\n"
    "  VORTLEN3_COM1 ... VORTLEN3_COM4\n"
    "               устройство порта COM1...COM4 (без них /dev/ttyS0.../dev/ttyS3);\n"
    "               USB-адаптер обычно /dev/ttyUSB0\n"
    "  VORTLEN3_TRACE\n"
    "               файл, в который записывается каждый обмен с ЭБУ (для службы поддержки)\n"
    "  XDG_CONFIG_HOME\n"
    "               папка настроек (по умолчанию ~/.config); настройки в Vortlen3/Vortlen3.ini\n"
    "\n"
    "Порт открывает пользователь из группы dialout. Руководство: "
    "/usr/share/doc/vortlen3/guide.md\n";

}  // namespace

std::optional<std::string> commandLineAnswer(int argc, const char* const* argv,
                                             std::string_view version) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--version") return "Вортлен 3 " + std::string(version) + "\n";
    if (arg == "--help" || arg == "-h") return std::string(kHelp);
  }
  return std::nullopt;
}

}  // namespace vortlen
