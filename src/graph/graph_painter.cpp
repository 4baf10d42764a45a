#include "graph_painter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "graph_logic.h"

namespace vortlen {

namespace {

const QColor kTextColour(100, 255, 255);

}  // namespace

GraphPainter::GraphPainter(int screenW, int screenH, qreal devicePixelRatio)
    : surface_(static_cast<int>(std::ceil(std::max(screenW, 1) * devicePixelRatio)),
               static_cast<int>(std::ceil(std::max(screenH, 1) * devicePixelRatio)),
               QImage::Format_RGB32),
      gridPen_(QColor(200, 200, 128), 2, Qt::SolidLine, Qt::FlatCap),
      tracePen_(QColor(255, 255, 255), 1),
      scratch_(static_cast<std::size_t>(std::max(screenW, 1))) {
  surface_.setDevicePixelRatio(devicePixelRatio);
  surface_.fill(Qt::black);
}

void GraphPainter::renderGraph(const GraphLogic& logic) {
  QPainter painter(&surface_);
  const int W = logic.width();
  const int H7 = logic.height7();
  const int band = logic.band();
  painter.fillRect(0, 0, W, H7, Qt::black);

  painter.setPen(gridPen_);
  for (int y = band - 1; band > 0 && y < H7 - 1; y += band) painter.drawLine(-1, y, W, y);

  const std::size_t count = std::min<std::size_t>(logic.pointCount(), scratch_.size());
  if (count > 1) {
    painter.setPen(tracePen_);
    for (std::size_t k = 0; k < kTraceCount; ++k) {
      const std::vector<GraphPoint>& points = logic.points(k);
      for (std::size_t i = 0; i < count; ++i) scratch_[i] = QPoint(points[i].x, points[i].y);
      painter.drawPolyline(scratch_.data(), static_cast<int>(count));
    }
  }

  const std::uint8_t mask = logic.activeMask();
  if (mask == 0) return;
  painter.setFont(bigFont_);
  painter.setPen(kTextColour);
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    if ((mask >> k) & 1u) {
      painter.drawText(QRect((W - W / 7 + 1) / 2 - W, static_cast<int>(k) * band, 2 * W, H7),
                       Qt::AlignHCenter | Qt::AlignTop, QString::fromStdString(logic.valueText(k)));
    }
  }
}

void GraphPainter::drawText(const QString& text, int x, int y) {
  QPainter painter(&surface_);
  painter.setFont(bigFont_);
  painter.setPen(kTextColour);
  const QSize screen = surface_.deviceIndependentSize().toSize();
  const int reach = screen.width();
  painter.drawText(QRect(x - reach, y, 2 * reach, screen.height()), Qt::AlignHCenter | Qt::AlignTop,
                   text);
}

QSize GraphPainter::plotSize(const GraphLogic& logic) {
  const int W = logic.width();
  return {std::max(W - W / 10 - 1, 1), std::max(logic.height7() - 2, 1)};
}

int GraphPainter::plotLeft(const GraphLogic& logic) {
  return static_cast<int>(logic.width() * 0.1);
}

void GraphPainter::presentGraph(const GraphLogic& logic, QImage& target) const {
  // Pixel for pixel: both images are looked at with their device's pixels.
  const qreal dpr = surface_.devicePixelRatio();
  const QSize size = plotSize(logic);
  const QSize device(static_cast<int>(std::ceil(size.width() * dpr)),
                     static_cast<int>(std::ceil(size.height() * dpr)));
  const QImage source(surface_.constBits(), surface_.width(), surface_.height(),
                      surface_.bytesPerLine(), surface_.format());
  QImage pixels(target.bits(), target.width(), target.height(), target.bytesPerLine(),
                target.format());
  QPainter painter(&pixels);
  painter.setCompositionMode(logic.blackOnWhite() ? QPainter::RasterOp_NotSource
                                                  : QPainter::CompositionMode_Source);
  painter.drawImage(QPoint(0, 0), source, QRect(QPoint(0, 0), device));
}

}  // namespace vortlen
