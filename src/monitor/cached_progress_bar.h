#pragma once

#include <QHash>
#include <QImage>
#include <QProgressBar>
#include <QString>

namespace vortlen {

/// A progress bar that draws each of its looks once: the style's picture of the bar at a value,
/// drawn over the window's background, is kept and put on the screen as it is, the same pixels.
/// The style fills a bar's shapes on several threads, which costs more in handing the work over
/// than in drawing so small a bar, a few times a second in a polling window.
class CachedProgressBar final : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QHash<QString, QImage> looks_;
};

}  // namespace vortlen
