#include "qt_window_services.h"

#include <QMessageBox>
#include <QString>
#include <chrono>
#include <thread>

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
    case MessageIcon::Information:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

void QtNotifier::message(const std::string& text, const std::string& caption, MessageIcon icon) {
  QMessageBox box(boxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

Answer QtNotifier::ask(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
  box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::Cancel:
      return Answer::Cancel;
    default:
      return Answer::No;
  }
}

void QtSleeper::sleep(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace vortlen
