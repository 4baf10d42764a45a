#include "power_off_logind.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace vortlen {

namespace {
constexpr int kAnswerWaitMs = 5000;
}  // namespace

void LogindPowerOff::powerOff() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
  // Not interactive: logind decides by policy and asks no one.
  call << false;
  // The program ends right after this: wait for logind's answer, or the request may never leave.
  QDBusConnection::systemBus().call(call, QDBus::Block, kAnswerWaitMs);
}

}  // namespace vortlen
