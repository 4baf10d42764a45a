#include "power_off_logind.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace vortlen {

void LogindPowerOff::powerOff() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
  // Not interactive: logind decides by policy and asks no one.
  call << false;
  QDBusConnection::systemBus().send(call);
}

}  // namespace vortlen
