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
    "               в Linux — устройство порта COM1...COM4. Без них программа находит\n"
    "               порты сама: сначала USB-адаптеры (/dev/serial/by-id/ по имени), затем\n"
    "               встроенные порты с микросхемой (/dev/ttyS*); один USB-адаптер — COM1.\n"
    "               Заданная переменная заменяет найденное устройство этого порта.\n"
    "  VORTLEN3_TRACE\n"
    "               файл, в конец которого записывается каждый обмен с ЭБУ (для службы\n"
    "               поддержки); каждый запуск начинается строкой «=== » с версией, датой,\n"
    "               портом и устройством\n"
    "  VORTLEN3_RECORD_DIR\n"
    "               папка записей и сохранённых файлов (по умолчанию Vortlen3 в папке\n"
    "               документов: XDG_DOCUMENTS_DIR из ~/.config/user-dirs.dirs, иначе\n"
    "               ~/Documents)\n"
    "  XDG_CONFIG_HOME\n"
    "               папка настроек (по умолчанию ~/.config); настройки в Vortlen3/Vortlen3.ini\n"
    "\n"
    "Порт открывает пользователь из группы dialout. Руководство: меню «Дополнительно ›\n"
    "Руководство» или /usr/share/vortlen3/guide/index.html в браузере.\n";

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
