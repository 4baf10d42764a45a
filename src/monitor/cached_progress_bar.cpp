#include "cached_progress_bar.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionProgressBar>

namespace vortlen {

void CachedProgressBar::paintEvent(QPaintEvent*) {
  constexpr qsizetype kMostLooks = 256;
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  const qreal dpr = devicePixelRatioF();
  // What lies under the bar is the window's own background, a plain colour.
  const QColor background = window()->palette().color(window()->backgroundRole());
  const QString key = QStringLiteral("%1 %2 %3 %4x%5 %6 %7 %8 %9 %10")
                          .arg(option.minimum)
                          .arg(option.maximum)
                          .arg(option.progress)
                          .arg(width())
                          .arg(height())
                          .arg(option.palette.cacheKey())
                          .arg(static_cast<int>(option.state))
                          .arg(static_cast<int>(option.direction))
                          .arg(background.rgba())
                          .arg(dpr);
  auto look = looks_.constFind(key);
  if (look == looks_.cend()) {
    if (looks_.size() >= kMostLooks) looks_.clear();
    QImage image(size() * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(background);
    {
      QPainter painter(&image);
      style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    }
    look = looks_.insert(key, image);
  }
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(0, 0), *look);
}

}  // namespace vortlen
