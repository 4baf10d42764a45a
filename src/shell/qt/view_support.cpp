#include "view_support.h"

#include <QDialog>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "mul_div.h"

namespace vortlen {

namespace {

constexpr int kMinStretch = 1;
constexpr int kMaxStretch = 4000;

int averageWidthAt(QFont font, int stretch) {
  font.setStretch(stretch);
  return QFontMetrics(font).averageCharWidth();
}

}  // namespace

QFont sizedFont(const QString& face, int pixelHeight, int averageWidth, bool bold) {
  QFont font(face);
  font.setPixelSize(std::max(pixelHeight, 1));
  font.setWeight(bold ? QFont::Bold : QFont::Normal);
  if (averageWidth <= 0) return font;

  // The width scales with the stretch almost exactly; the estimate from the unstretched face is
  // then nudged while the rounded average width can still come closer to the one asked for.
  const qreal natural = QFontMetricsF(font).averageCharWidth();
  if (natural <= 0) return font;
  int stretch = std::clamp(static_cast<int>(std::lround(100.0 * averageWidth / natural)),
                           kMinStretch, kMaxStretch);
  int error = averageWidthAt(font, stretch) - averageWidth;
  for (int step = 0; step < 50 && error != 0; ++step) {
    const int next = std::clamp(stretch + (error > 0 ? -1 : 1), kMinStretch, kMaxStretch);
    if (next == stretch) break;
    const int nextError = averageWidthAt(font, next) - averageWidth;
    if (std::abs(nextError) > std::abs(error)) break;
    stretch = next;
    error = nextError;
  }
  font.setStretch(stretch);
  return font;
}

QFont largeValueFont(int pixelHeight, int averageWidth) {
  return sizedFont(QStringLiteral("times_quartz"), pixelHeight, averageWidth, true);
}

QFont dialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"), 8);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QSize dialogBaseUnits(const QFont& dialogFont) {
  const QFontMetrics metrics(dialogFont);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return QSize((letters / 26 + 1) / 2, metrics.height());
}

QRect dialogRect(QSize baseUnits, int x, int y, int w, int h) {
  const int baseX = baseUnits.width();
  const int baseY = baseUnits.height();
  return QRect(mulDiv(x, baseX, 4), mulDiv(y, baseY, 8), mulDiv(w, baseX, 4), mulDiv(h, baseY, 8));
}

QRect dialogRect(const QFont& dialogFont, int x, int y, int w, int h) {
  return dialogRect(dialogBaseUnits(dialogFont), x, y, w, h);
}

void onlyNamedDefaultTakesEnter(QDialog* window) {
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    if (!button->isDefault()) button->setAutoDefault(false);
  }
}

void setControlId(QWidget* widget, int id) {
  widget->setObjectName(QString::number(id));
}

}  // namespace vortlen
