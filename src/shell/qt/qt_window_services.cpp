#include "qt_window_services.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>
#include <chrono>
#include <thread>
#include <utility>

namespace vortlen {

QtWindowTimer::QtWindowTimer(QObject* owner, std::function<void()> onTick) : timer_(owner) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, owner, std::move(onTick));
}

void QtWindowTimer::start(int periodMs) {
  timer_.start(periodMs);
}
void QtWindowTimer::stop() {
  timer_.stop();
}
bool QtWindowTimer::isRunning() const {
  return timer_.isActive();
}

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::None:
      return QMessageBox::NoIcon;
    case MessageIcon::Information:
      break;
  }
  return QMessageBox::Information;
}

// Qt's Russian translation, installed at start-up, names OK and Cancel as the questions want
// them, but gives Yes and No a mnemonic («&Да», «&Нет»); the questions show them plain.
void plainYesAndNo(QMessageBox& box) {
  box.button(QMessageBox::Yes)->setText(QString::fromUtf8("Да"));
  box.button(QMessageBox::No)->setText(QString::fromUtf8("Нет"));
}

}  // namespace

void QtNotifier::message(const std::string& text, const std::string& caption, MessageIcon icon) {
  QMessageBox box(boxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  // A message may carry a device name the user gave: text, never markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

Answer QtNotifier::ask(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setTextFormat(Qt::PlainText);
  plainYesAndNo(box);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void QtSleeper::sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

DialogServices::DialogServices(QWidget* window, std::function<void()> onTick,
                               WindowServiceOverrides overrides)
    : timer_(overrides.timer), notifier_(overrides.notifier), sleeper_(overrides.sleeper) {
  if (!timer_) {
    ownTimer_ = std::make_unique<QtWindowTimer>(window, std::move(onTick));
    timer_ = ownTimer_.get();
  }
  if (!notifier_) {
    ownNotifier_ = std::make_unique<QtNotifier>(window);
    notifier_ = ownNotifier_.get();
  }
  if (!sleeper_) {
    ownSleeper_ = std::make_unique<QtSleeper>();
    sleeper_ = ownSleeper_.get();
  }
}

DialogServices::~DialogServices() = default;

}  // namespace vortlen
