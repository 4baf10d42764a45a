#include "resources.h"

#include <QString>

namespace vortlen {

namespace {
constexpr int kValueCursorHotX = 0;
constexpr int kValueCursorHotY = 0;
}  // namespace

QPixmap programIconPixmap() {
  return QPixmap(QStringLiteral(":/program_icon_131.xpm"));
}

QIcon programIcon() {
  return QIcon(programIconPixmap());
}

QCursor valueCursor() {
  return QCursor(QPixmap(QStringLiteral(":/value_cursor_136.xpm")), kValueCursorHotX,
                 kValueCursorHotY);
}

QPixmap balanceWarningPixmap() {
  return QPixmap(QStringLiteral(":/balance_warning_149.xpm"));
}

}  // namespace vortlen
