#pragma once

#include <QFont>
#include <QImage>
#include <QPen>
#include <QPoint>
#include <QString>
#include <vector>

namespace vortlen {

class GraphLogic;

/// The whole frame drawn every time: the surface the size of the screen, drawn whole, then
/// copied out. GraphCanvas draws the same picture a step at a time; this is what it must equal.
/// At a device pixel ratio above 1 the surface has the device's resolution and the same
/// logical coordinates.
class GraphPainter {
 public:
  GraphPainter(int screenW, int screenH, qreal devicePixelRatio = 1.0);

  void setBigFont(const QFont& font) { bigFont_ = font; }

  /// Black background, the six band separators, the traces and the enlarged values.
  void renderGraph(const GraphLogic& logic);
  /// Text in the big font, centred on x, its top at y, in the value colour.
  void drawText(const QString& text, int x, int y);
  /// Copies the plot, (W − W/10 − 1) × (H7 − 2) from the surface's origin, into `target` (of
  /// the device's resolution): plain in the white-on-black view, with every colour inverted in
  /// the black-on-white one.
  void presentGraph(const GraphLogic& logic, QImage& target) const;

  const QImage& surface() const { return surface_; }

  /// The size of the area the plot is copied to.
  static QSize plotSize(const GraphLogic& logic);
  /// Where the plot starts in the client area: trunc(W × 0.1).
  static int plotLeft(const GraphLogic& logic);

 private:
  QImage surface_;
  QPen gridPen_;
  QPen tracePen_;
  QFont bigFont_;
  std::vector<QPoint> scratch_;
};

}  // namespace vortlen
