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

/// Cursor 148, a pointing hand over the about window's links. Hot spot at the fingertip (12, 1).
QCursor linkCursor();

/// Bitmap 152, the K-Line adapter's wiring diagram: 457 × 220, black on white.
QPixmap adapterSchemePixmap();

/// Cursor 137, a magnifier with a plus: over a graph value that a click enlarges.
QCursor enlargeCursor();
/// Cursor 147, a magnifier with a minus: over a graph value that a click shrinks.
QCursor shrinkCursor();
/// Bitmap 149, 215 × 66 pixels: the balance test's warning not to touch the accelerator.
QPixmap balanceWarningPixmap();

}  // namespace vortlen
