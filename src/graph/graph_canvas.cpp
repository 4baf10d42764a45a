#include "graph_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace vortlen {

namespace {

const QColor kTextColour(100, 255, 255);

// A segment's square cap reaches half a pixel past its vertex, a join no further than the pen's
// width: the strip reaches this far past the vertices drawn, so that nothing is cut off.
constexpr int kMargin = 4;
// Vertices this far outside the columns drawn again take part, so that the end segments of the
// piece of a trace that is drawn, stepped differently for their caps, never reach those columns.
constexpr int kSpareVertices = 2;

int wholeRatio(qreal dpr) {
  const long rounded = std::lround(dpr);
  return rounded >= 1 && std::abs(dpr - static_cast<qreal>(rounded)) < 1e-9
             ? static_cast<int>(rounded)
             : 0;
}

void copyColumns(const QImage& from, int fromX, int fromY, QImage& to, int toX, int toY, int width,
                 int height) {
  if (width <= 0 || height <= 0) return;
  const std::size_t bytes = static_cast<std::size_t>(width) * 4;
  const uchar* source = from.constBits() + static_cast<std::size_t>(fromX) * 4;
  uchar* target = to.bits() + static_cast<std::size_t>(toX) * 4;
  const qsizetype fromLine = from.bytesPerLine();
  const qsizetype toLine = to.bytesPerLine();
  for (int row = 0; row < height; ++row) {
    std::memcpy(target + (toY + row) * toLine, source + (fromY + row) * fromLine, bytes);
  }
}

// Every colour inverted. The pixels of an RGB32 image are opaque, so only the colour bits flip;
// two pixels at a time.
void invertColumns(QImage& image, const QRect& rect) {
  constexpr std::uint64_t kColours = 0x00FFFFFF00FFFFFFull;
  uchar* bits = image.bits();
  const qsizetype line = image.bytesPerLine();
  for (int row = rect.top(); row <= rect.bottom(); ++row) {
    uchar* pixel = bits + row * line + static_cast<std::size_t>(rect.x()) * 4;
    int left = rect.width();
    for (; left >= 2; left -= 2, pixel += 8) {
      std::uint64_t pair;
      std::memcpy(&pair, pixel, 8);
      pair ^= kColours;
      std::memcpy(pixel, &pair, 8);
    }
    if (left == 1) {
      std::uint32_t single;
      std::memcpy(&single, pixel, 4);
      single ^= 0x00FFFFFFu;
      std::memcpy(pixel, &single, 4);
    }
  }
}

}  // namespace

GraphCanvas::GraphCanvas(qreal devicePixelRatio)
    : dpr_(devicePixelRatio > 0 ? devicePixelRatio : 1.0),
      scale_(wholeRatio(dpr_)),
      gridPen_(QColor(200, 200, 128), 2, Qt::SolidLine, Qt::FlatCap),
      tracePen_(QColor(255, 255, 255), 1) {}

QRect GraphCanvas::deviceRect(const QRect& logical) const {
  if (scale_ > 0) {
    return {logical.x() * scale_, logical.y() * scale_, logical.width() * scale_,
            logical.height() * scale_};
  }
  const int left = static_cast<int>(std::floor(logical.x() * dpr_));
  const int top = static_cast<int>(std::floor(logical.y() * dpr_));
  const int right = static_cast<int>(std::ceil((logical.x() + logical.width()) * dpr_));
  const int bottom = static_cast<int>(std::ceil((logical.y() + logical.height()) * dpr_));
  return QRect(left, top, right - left, bottom - top) & layer_.rect();
}

bool GraphCanvas::sameGeometry(const GraphLogic& logic) const {
  return scale_ > 0 && logic.width() == W_ && logic.height7() == H7_ &&
         logic.lineLength() == lineLength_;
}

void GraphCanvas::resetGeometry(const GraphLogic& logic) {
  const bool resized = logic.width() != W_ || logic.height7() != H7_;
  W_ = logic.width();
  H7_ = logic.height7();
  band_ = logic.band();
  lineLength_ = logic.lineLength();
  plotW_ = std::max(W_ - W_ / 10 - 1, 1);
  plotH_ = std::max(H7_ - 2, 1);
  if (resized || layer_.isNull()) {
    const QSize device(static_cast<int>(std::ceil(plotW_ * dpr_)),
                       static_cast<int>(std::ceil(plotH_ * dpr_)));
    layer_ = QImage(device, QImage::Format_RGB32);
    layer_.setDevicePixelRatio(dpr_);
    scratch_ = QImage(device, QImage::Format_RGB32);
    scratch_.setDevicePixelRatio(dpr_);
    textImages_.clear();  // drawn on the scratch of the old size
    olderTextImages_.clear();
  }
  origin_ = 0;
}

int GraphCanvas::visibleVertices(std::uint32_t count) const {
  const auto reach =
      static_cast<std::uint32_t>((plotW_ + kMargin) / lineLength_ + kSpareVertices + 1);
  return static_cast<int>(std::min(count, reach));
}

void GraphCanvas::keepVertices(const GraphLogic& logic) {
  drawnCount_ = logic.pointCount();
  const auto count = static_cast<std::size_t>(visibleVertices(drawnCount_));
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const std::vector<GraphPoint>& points = logic.points(k);
    drawn_[k].assign(points.begin(),
                     points.begin() + static_cast<std::ptrdiff_t>(std::min(count, points.size())));
  }
}

void GraphCanvas::redrawColumns(const GraphLogic& logic, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, plotW_);
  if (from >= to) return;
  const int L = lineLength_;
  const int count = visibleVertices(logic.pointCount());
  const int first = std::max(from / L - kSpareVertices, 0);
  const int last = std::min((to + L - 1) / L + kSpareVertices, count - 1);
  // The strip holds every vertex taken part whole, so that nothing drawn is cut at its edges.
  const int left = std::min(from, first * L) - kMargin;
  const int right = std::max(to, std::max(last, 0) * L) + kMargin;
  const QSize device(static_cast<int>(std::ceil((right - left) * dpr_)),
                     static_cast<int>(std::ceil(H7_ * dpr_)));
  if (strip_.width() < device.width() || strip_.height() < device.height()) {
    strip_ = QImage(device.expandedTo(strip_.size()), QImage::Format_RGB32);
    strip_.setDevicePixelRatio(dpr_);
  }
  {
    QPainter painter(&strip_);
    painter.fillRect(0, 0, right - left, H7_, Qt::black);
    painter.translate(-left, 0);
    painter.setPen(gridPen_);
    for (int y = band_ - 1; band_ > 0 && y < H7_ - 1; y += band_) painter.drawLine(-1, y, W_, y);
    if (logic.pointCount() > 1 && last > first) {
      painter.setPen(tracePen_);
      std::vector<QPoint> points(static_cast<std::size_t>(last - first + 1));
      for (std::size_t k = 0; k < kTraceCount; ++k) {
        const std::vector<GraphPoint>& vertices = logic.points(k);
        for (int i = first; i <= last; ++i) {
          const GraphPoint& p = vertices[static_cast<std::size_t>(i)];
          points[static_cast<std::size_t>(i - first)] = QPoint(p.x, p.y);
        }
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
      }
    }
  }
  // Into the ring, in one or two pieces.
  const QRect target = deviceRect(QRect(from, 0, to - from, plotH_));
  const int stripX = target.x() - static_cast<int>(std::lround(left * dpr_));
  if (scale_ == 0) {
    copyColumns(strip_, stripX, 0, layer_, target.x(), 0, target.width(), layer_.height());
    return;
  }
  const int start = (origin_ + from) % plotW_;
  const int firstPart = std::min(to - from, plotW_ - start);
  copyColumns(strip_, stripX, 0, layer_, start * scale_, 0, firstPart * scale_, layer_.height());
  copyColumns(strip_, stripX + firstPart * scale_, 0, layer_, 0, 0,
              (to - from - firstPart) * scale_, layer_.height());
}

void GraphCanvas::redrawLayer(const GraphLogic& logic) {
  origin_ = 0;
  redrawColumns(logic, 0, plotW_);
  pendingFull_ = true;
}

void GraphCanvas::stepLayer(const GraphLogic& logic, bool tailStays) {
  const int L = lineLength_;
  origin_ = ((origin_ - L) % plotW_ + plotW_) % plotW_;
  ++pendingShift_;
  pendingDirty_.translate(L, 0);
  // A one-pixel line is stepped from its first vertex, and a capped end starts half a pixel
  // earlier: the first and the last segment are drawn again whole, since each was the other
  // kind before.
  redrawColumns(logic, 0, 2 * L + 2);
  pendingDirty_ += QRect(0, 0, 2 * L + 2, plotH_);
  if (tailStays) {
    // The traces did not grow: what moved past their last vertex goes.
    const int tail = static_cast<int>(logic.pointCount() - 1) * L;
    redrawColumns(logic, tail - L - 2, tail + L + 2);
    pendingDirty_ += QRect(tail - L - 2, 0, 2 * L + 4, plotH_);
  }
}

void GraphCanvas::render(const GraphLogic& logic) {
  screenW_ = logic.screenWidth();
  screenH_ = logic.screenHeight();
  const std::uint32_t count = logic.pointCount();
  if (!sameGeometry(logic)) {
    resetGeometry(logic);
    redrawLayer(logic);
  } else if (count <= 1 && drawnCount_ <= 1) {
    // The grid alone, before and now.
  } else {
    const int visible = visibleVertices(count);
    const int drawnVisible = visibleVertices(drawnCount_);
    bool same = count == drawnCount_;
    bool stepped = count >= 2 && (count == drawnCount_ || count == drawnCount_ + 1);
    for (std::size_t k = 0; k < kTraceCount && (same || stepped); ++k) {
      const std::vector<GraphPoint>& now = logic.points(k);
      const std::vector<GraphPoint>& before = drawn_[k];
      for (int i = 0; i < visible && (same || stepped); ++i) {
        const GraphPoint& p = now[static_cast<std::size_t>(i)];
        if (same && i < drawnVisible) {
          const GraphPoint& q = before[static_cast<std::size_t>(i)];
          same = p.x == q.x && p.y == q.y;
        }
        if (stepped && i >= 1 && i - 1 < drawnVisible) {
          const GraphPoint& q = before[static_cast<std::size_t>(i - 1)];
          stepped = p.x == q.x + lineLength_ && p.y == q.y;
        }
      }
    }
    if (same) {
      // A failed poll, or a new mask while stopped: the traces stay as they are.
    } else if (stepped) {
      stepLayer(logic, count == drawnCount_);
    } else {
      redrawLayer(logic);
    }
  }
  keepVertices(logic);

  texts_.clear();
  const std::uint8_t mask = logic.activeMask();
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    if ((mask >> k) & 1u) {
      const int y = static_cast<int>(k) * band_;
      texts_.push_back(layoutText(QString::fromStdString(logic.valueText(k)),
                                  QRect((W_ - W_ / 7 + 1) / 2 - W_, y, 2 * W_, H7_)));
    }
  }
}

std::shared_ptr<const GraphCanvas::TextImage> GraphCanvas::drawTextImage(const QString& text,
                                                                         const QRect& box) {
  const QFontMetrics metrics(bigFont_);
  const int flags = Qt::AlignHCenter | Qt::AlignTop;
  const QRect laidOut = metrics.boundingRect(box, flags, text);
  const QRect ink =
      metrics.boundingRect(text).translated(laidOut.left(), laidOut.top() + metrics.ascent());
  const int margin = kMargin + bigFont_.pixelSize() / 16;
  auto image = std::make_shared<TextImage>();
  image->reach = laidOut.united(ink).adjusted(-margin, -margin, margin, margin);
  if (scale_ == 0 || scratch_.isNull()) return image;  // drawn anew each time it is shown
  image->drawn = true;

  // Drawn in white on black, each pixel's blue is the glyphs' coverage there: the pen's colour
  // mixed with what was there by that coverage, as the painter mixes it. The glyphs are drawn
  // where they will be shown: moved elsewhere, their edges may come out a shade different.
  const QRect device = deviceRect(image->reach) & scratch_.rect();
  {
    QPainter painter(&scratch_);
    painter.fillRect(QRectF(device.topLeft() / dpr_, device.size() / dpr_), Qt::black);
    painter.setFont(bigFont_);
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(box, flags, text);
  }
  for (int y = device.top(); y <= device.bottom(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(scratch_.constScanLine(y));
    for (int x = device.left(); x <= device.right();) {
      if (qBlue(row[x]) == 0) {
        ++x;
        continue;
      }
      TextImage::Run run{y, x, 0, static_cast<std::uint32_t>(image->coverage.size())};
      for (; x <= device.right() && qBlue(row[x]) != 0; ++x, ++run.length)
        image->coverage.push_back(static_cast<std::uint8_t>(qBlue(row[x])));
      image->runs.push_back(run);
    }
  }
  // What the glyphs touch is all that changes on the screen when the text comes or goes.
  QRect touched;
  for (const TextImage::Run& run : image->runs) touched |= QRect(run.x, run.y, run.length, 1);
  image->reach = QRect(QPoint(touched.left() / scale_, touched.top() / scale_),
                       QPoint(touched.right() / scale_, touched.bottom() / scale_));
  if (touched.isEmpty()) image->reach = QRect();
  return image;
}

GraphCanvas::Text GraphCanvas::layoutText(const QString& text, const QRect& box) {
  constexpr qsizetype kMostTextImages = 1024;  // some 10 KB each at 1920 × 1080
  const QString key = text + QChar(0) + QString::number(box.x()) + QChar(',') +
                      QString::number(box.y()) + QChar(' ') + QString::number(box.width()) +
                      QChar('x') + QString::number(box.height());
  // Two generations: what was used since the older one began stays, the rest goes.
  std::shared_ptr<const TextImage> image = textImages_.value(key);
  if (!image) {
    image = olderTextImages_.value(key);
    if (!image) image = drawTextImage(text, box);
    if (textImages_.size() >= kMostTextImages / 2) {
      olderTextImages_.swap(textImages_);
      textImages_.clear();
    }
    if (image->drawn || scale_ == 0) textImages_.insert(key, image);
  }
  return {text, box, image->reach, image->drawn ? image : nullptr};
}

namespace {

// The painter's mix of two pixels: each channel of x times a, over 255, rounded as it rounds.
constexpr std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
  std::uint32_t t = (x & 0xFF00FFu) * a;
  t = (t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8;
  t &= 0xFF00FFu;
  x = ((x >> 8) & 0xFF00FFu) * a;
  x = x + ((x >> 8) & 0xFF00FFu) + 0x800080u;
  x &= 0xFF00FF00u;
  return x | t;
}

}  // namespace

void GraphCanvas::blendText(const Text& text, const QRegion& region, QImage& target) const {
  const TextImage& image = *text.image;
  const std::uint32_t colour = kTextColour.rgba();
  for (const QRect& rect : region) {
    const QRect logical = rect & text.reach;
    if (logical.isEmpty()) continue;
    // The part of the text's image within this rectangle, in device pixels.
    const QRect part = deviceRect(logical);
    const auto from = std::lower_bound(image.runs.begin(), image.runs.end(), part.top(),
                                       [](const TextImage::Run& run, int y) { return run.y < y; });
    for (auto run = from; run != image.runs.end() && run->y <= part.bottom(); ++run) {
      const int left = std::max(run->x, part.left());
      const int right = std::min(run->x + run->length, part.right() + 1);
      if (left >= right) continue;
      auto* pixel = reinterpret_cast<std::uint32_t*>(target.scanLine(run->y)) + left;
      const std::uint8_t* coverage = image.coverage.data() + run->coverage + (left - run->x);
      for (int x = left; x < right; ++x, ++pixel, ++coverage) {
        const std::uint32_t a = *coverage;
        *pixel = a == 255 ? colour : byteMul(colour, a) + byteMul(*pixel, 255 - a);
      }
    }
  }
}

void GraphCanvas::addText(const QString& text, int x, int y) {
  texts_.push_back(layoutText(text, QRect(x - screenW_, y, 2 * screenW_, screenH_)));
}

PresentStep GraphCanvas::present(const GraphLogic& logic) {
  const bool face = logic.blackOnWhite();
  const QRect plot(0, 0, plotW_, plotH_);
  PresentStep step;
  const int shift = pendingShift_ * lineLength_;
  if (!presentedOnce_ || pendingFull_ || face != blackOnWhite_ || scale_ == 0 || shift >= plotW_) {
    step.dirty = plot;
  } else {
    step.full = false;
    step.shift = shift;
    step.dirty = pendingDirty_;
    for (const QRect& shown : shownTexts_) step.dirty += shown.translated(shift, 0);
    for (const Text& text : texts_) step.dirty += text.reach;
    step.dirty &= plot;
  }
  blackOnWhite_ = face;
  presentedOnce_ = true;
  pendingFull_ = false;
  pendingShift_ = 0;
  pendingDirty_ = QRegion();
  shownTexts_.clear();
  for (const Text& text : texts_) shownTexts_.push_back(text.reach);
  return step;
}

void GraphCanvas::compose(const QRegion& region, QImage& target) {
  for (const QRect& rect : region) {
    const QRect device = deviceRect(rect);
    if (scale_ == 0) {
      copyColumns(layer_, device.x(), device.y(), target, device.x(), device.y(), device.width(),
                  device.height());
      continue;
    }
    const int start = (origin_ + rect.x()) % plotW_;
    const int firstPart = std::min(rect.width(), plotW_ - start);
    copyColumns(layer_, start * scale_, device.y(), target, device.x(), device.y(),
                firstPart * scale_, device.height());
    copyColumns(layer_, 0, device.y(), target, device.x() + firstPart * scale_, device.y(),
                (rect.width() - firstPart) * scale_, device.height());
  }
  std::optional<QPainter> painter;
  for (const Text& text : texts_) {
    if (text.image) {
      blendText(text, region, target);
    } else if (region.intersects(text.reach)) {
      if (!painter) {
        painter.emplace(&target);
        painter->setClipRegion(region);
        painter->setFont(bigFont_);
        painter->setPen(kTextColour);
      }
      painter->drawText(text.box, Qt::AlignHCenter | Qt::AlignTop, text.text);
    }
  }
  painter.reset();
  if (!blackOnWhite_) return;
  for (const QRect& rect : region) invertColumns(target, deviceRect(rect));
}

void GraphCanvas::paint(QPainter& painter, const QRegion& region) {
  const QRegion inside = region & QRect(0, 0, plotW_, plotH_);
  if (layer_.isNull() || inside.isEmpty()) return;
  compose(inside, scratch_);
  const QPainter::CompositionMode mode = painter.compositionMode();
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  for (const QRect& rect : inside)
    painter.drawImage(QRectF(rect), scratch_, QRectF(deviceRect(rect)));
  painter.setCompositionMode(mode);
}

void GraphCanvas::presentTo(const GraphLogic& logic, QImage& target) {
  PresentStep step = present(logic);
  if (target.size() != layer_.size() || target.format() != QImage::Format_RGB32) {
    target = QImage(layer_.size(), QImage::Format_RGB32);
    target.setDevicePixelRatio(dpr_);
    step = {true, 0, QRegion(0, 0, plotW_, plotH_)};
  }
  if (!step.full && step.shift > 0) {
    const int moved = step.shift * scale_;
    const std::size_t bytes = static_cast<std::size_t>(target.width() - moved) * 4;
    uchar* bits = target.bits();
    for (int row = 0; row < target.height(); ++row) {
      uchar* line = bits + row * target.bytesPerLine();
      std::memmove(line + static_cast<std::size_t>(moved) * 4, line, bytes);
    }
  }
  if (step.dirty.isEmpty()) return;
  compose(step.dirty, target);
}

}  // namespace vortlen
