#include "resources.h"

#include <QString>

namespace vortlen {

namespace {
constexpr int kValueCursorHotX = 0;
constexpr int kValueCursorHotY = 0;
constexpr int kLinkCursorHotX = 12;
constexpr int kLinkCursorHotY = 1;
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

QCursor linkCursor() {
  return QCursor(QPixmap(QStringLiteral(":/link_cursor_148.xpm")), kLinkCursorHotX,
                 kLinkCursorHotY);
}

QPixmap adapterSchemePixmap() {
  return QPixmap(QStringLiteral(":/adapter_scheme_152.xpm"));
}

// Both magnifiers point with the middle of the lens.
QCursor enlargeCursor() {
  return QCursor(QPixmap(QStringLiteral(":/enlarge_cursor_137.xpm")), 9, 8);
}

QCursor shrinkCursor() {
  return QCursor(QPixmap(QStringLiteral(":/shrink_cursor_147.xpm")), 9, 8);
}

QPixmap balanceWarningPixmap() {
  return QPixmap(QStringLiteral(":/balance_warning_149.xpm"));
}

}  // namespace vortlen
