#pragma once

#include <QFont>
#include <QHash>
#include <QImage>
#include <QPen>
#include <QRegion>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "graph_logic.h"

class QPainter;

namespace vortlen {

/// What the window does to show the picture as it is now: move what it shows `shift` pixels to
/// the right, then paint `dirty` again from the canvas; or paint everything when `full`.
struct PresentStep {
  bool full = true;
  int shift = 0;
  QRegion dirty;
};

/// The graph view's picture, drawn a step at a time. The traces and the band separators live in a
/// layer of their own, a ring of columns that moves by one sample step without copying; a new
/// sample draws only the columns that came into view and the end of the traces. The enlarged
/// values and the link-failure text are put on top only when the picture is shown, so they
/// never smear into the moving layer. Whatever the logic changed other than one step (the line
/// length, the set, the size) draws the layer again whole.
///
/// Every position is in the plot's logical pixels; the layer, the scratch and what is shown are
/// at the device's resolution (a device pixel ratio of 2 draws four pixels for one).
class GraphCanvas {
 public:
  explicit GraphCanvas(qreal devicePixelRatio = 1.0);

  void setBigFont(const QFont& font) {
    bigFont_ = font;
    textImages_.clear();
    olderTextImages_.clear();
  }
  qreal devicePixelRatio() const { return dpr_; }

  /// Brings the layer up to the logic's vertices and makes the enlarged values the texts on top.
  void render(const GraphLogic& logic);
  /// Puts a text in the big font on top of the picture, centred on x, its top at y.
  void addText(const QString& text, int x, int y);
  /// What changed on the screen since the last call, for the face that is shown now.
  PresentStep present(const GraphLogic& logic);
  /// Paints `region` of the picture, logical plot coordinates, onto `painter` at the origin.
  void paint(QPainter& painter, const QRegion& region);
  /// present() carried out on an image of the plot's size: what the window's screen would show.
  void presentTo(const GraphLogic& logic, QImage& target);

  /// The plot's size in logical pixels, (W − W/10 − 1) × (H7 − 2).
  QSize plotSize() const { return {plotW_, plotH_}; }

 private:
  /// A text drawn once in the big font in its place: where it reaches, and how much of each
  /// device pixel there its glyphs cover, in runs of covered pixels along the rows.
  struct TextImage {
    QRect reach;  // every pixel it touches
    struct Run {
      int y, x, length;        // device pixels
      std::uint32_t coverage;  // where the run's coverage starts in `coverage`
    };
    std::vector<Run> runs;
    std::vector<std::uint8_t> coverage;  // 1..255
    bool drawn = false;  // else only `reach` is known, and the text is drawn when shown
  };

  struct Text {
    QString text;
    QRect box;    // the rectangle it is centred in, as the full drawing centres it
    QRect reach;  // every pixel it may touch
    std::shared_ptr<const TextImage> image;  // empty where it is drawn anew each time shown
  };

  bool sameGeometry(const GraphLogic& logic) const;
  void resetGeometry(const GraphLogic& logic);
  void redrawLayer(const GraphLogic& logic);
  void stepLayer(const GraphLogic& logic, bool tailStays);
  /// Draws the logical columns [from, to) of the layer again, exactly as the full drawing does.
  void redrawColumns(const GraphLogic& logic, int from, int to);
  void keepVertices(const GraphLogic& logic);
  int visibleVertices(std::uint32_t count) const;
  Text layoutText(const QString& text, const QRect& box);
  std::shared_ptr<const TextImage> drawTextImage(const QString& text, const QRect& box);
  /// Puts a text's image on `target` within `region`, as the big font's pen draws it there.
  void blendText(const Text& text, const QRegion& region, QImage& target) const;
  /// Composes `region` of the picture into `target`, an image of the plot's size: the layer,
  /// the texts, inverted in the black-on-white face.
  void compose(const QRegion& region, QImage& target);
  QRect deviceRect(const QRect& logical) const;

  qreal dpr_;
  int scale_;  // dpr_ when it is a whole number, else 0: then every change draws all of it
  QFont bigFont_;
  QPen gridPen_;
  QPen tracePen_;

  // The geometry the layer was drawn for.
  int screenW_ = 0, screenH_ = 0;
  int W_ = -1, H7_ = 0, band_ = 0, plotW_ = 0, plotH_ = 0, lineLength_ = 0;
  QImage layer_;    // the ring: logical column c is at ring column (origin_ + c) mod plotW_
  int origin_ = 0;  // in logical columns
  QImage strip_;    // where columns are drawn before they go into the ring
  QImage scratch_;  // where the picture is composed for the window, the plot's size
  std::uint32_t drawnCount_ = 0;
  std::array<std::vector<GraphPoint>, kTraceCount> drawn_;  // the vertices the layer shows

  // The texts drawn so far, by text and box; a value seen before in its place costs no glyphs.
  QHash<QString, std::shared_ptr<const TextImage>> textImages_;
  QHash<QString, std::shared_ptr<const TextImage>> olderTextImages_;
  std::vector<Text> texts_;
  std::vector<QRect> shownTexts_;  // the reach of the texts on the screen now
  bool blackOnWhite_ = false;
  bool presentedOnce_ = false;
  bool pendingFull_ = true;
  int pendingShift_ = 0;
  QRegion pendingDirty_;
};

}  // namespace vortlen
