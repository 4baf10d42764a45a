#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QDialog;

namespace vortlen {

/// A font of `pixelHeight` pixels whose average character width is `averageWidth` pixels,
/// reached by stretching the face (0 leaves the face's own width). A face that is not installed
/// falls back to the system's substitute.
QFont sizedFont(const QString& face, int pixelHeight, int averageWidth, bool bold);

/// The bold face of the large value fields, "times_quartz" or its substitute.
QFont largeValueFont(int pixelHeight, int averageWidth);

/// The font of the small dialogs: "MS Sans Serif" 8 pt, or its substitute.
QFont dialogFont();

/// The dialog base units of a font in pixels: the width is the average width of the letters
/// A..Z a..z, rounded the way Windows rounds it; the height is the font's line height.
QSize dialogBaseUnits(const QFont& dialogFont);

/// A rectangle given in dialog units, in pixels: x and width scale by baseX / 4, y and height
/// by baseY / 8, each rounded to the nearest pixel.
QRect dialogRect(QSize baseUnits, int x, int y, int w, int h);
QRect dialogRect(const QFont& dialogFont, int x, int y, int w, int h);

/// Lets Enter press only the push button that `window` names as its default (none: no button).
/// Qt would make the first push button of a dialog its automatic default, and a push button
/// with the focus would take Enter: a button that erases or writes would answer Enter. Call it
/// once the window's buttons exist; Space still presses the focused button.
void onlyNamedDefaultTakesEnter(QDialog* window);

/// Tags a control with its numeric id (its objectName becomes the id in decimal).
void setControlId(QWidget* widget, int id);

/// The control under `root` that carries `id`, or nullptr.
template <class T>
T* findControl(QWidget* root, int id) {
  return root->findChild<T*>(QString::number(id));
}

}  // namespace vortlen
