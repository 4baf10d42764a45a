#include "child_windows.h"

#include "qt_window_services.h"
#include "settings_dialog.h"

namespace vortlen {

namespace {

std::size_t slotOf(ChildWindow window) {
  return static_cast<std::size_t>(window);
}

}  // namespace

QString childWindowName(ChildWindow window) {
  switch (window) {
    case ChildWindow::Passport:
      return QStringLiteral("Паспорт");
    case ChildWindow::FuelTables:
      return QStringLiteral("Таблицы топливоподачи");
    case ChildWindow::Faults:
      return QStringLiteral("Ошибки и неисправности");
    case ChildWindow::Graph:
      return QStringLiteral("Графический");
    case ChildWindow::Actuators:
      return QStringLiteral("Управление механизмами");
    case ChildWindow::PhaseTest:
      return QStringLiteral("Тест фаз ГРМ. ЗМЗ 4063");
    case ChildWindow::CoAdjust:
      return QStringLiteral("Коррекция СО");
    case ChildWindow::IgnitionAdjust:
      return QStringLiteral("Зажигание");
    case ChildWindow::CoolantAdjust:
      return QStringLiteral("Температура ОЖ");
    case ChildWindow::IdleValveAdjust:
      return QStringLiteral("Положение РДВ");
    case ChildWindow::About:
      return QStringLiteral("О программе");
    case ChildWindow::AdapterScheme:
      return QStringLiteral("Схема адаптера K-Line");
  }
  return {};
}

void AppChildWindows::plugIn(ChildWindow window, Opener opener) {
  openers_[slotOf(window)] = std::move(opener);
}

void AppChildWindows::open(ChildWindow window) {
  if (const Opener& opener = openers_[slotOf(window)]) {
    opener(parent_);
    return;
  }
  const QString text = QStringLiteral("Окно «%1» в этой версии программы ещё не готово.")
                           .arg(childWindowName(window));
  QtNotifier boxes(parent_);
  Notifier& notifier = notifier_ ? *notifier_ : boxes;
  notifier.message(text.toStdString(), "Вортлен 3", MessageIcon::Information);
}

void AppChildWindows::runSettings(unsigned& portNumber) {
  SettingsDialog dialog(portNumber, parent_);
  dialog.exec();
}

}  // namespace vortlen
