#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace vortlen {

/// Icon 131, 32 × 32 pixels; the toolkit scales it down for the title bar.
QIcon programIcon();
QPixmap programIconPixmap();

/// Cursor 136, shown over the value fields that react to a click. Hot spot at the arrow's tip.
QCursor valueCursor();

/// Bitmap 149, 215 × 66 pixels: the balance test's warning not to touch the accelerator.
QPixmap balanceWarningPixmap();

}  // namespace vortlen
