#include "cached_progress_bar.h"

#include <gtest/gtest.h>

#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

#include <array>
#include <memory>
#include <tuple>

namespace vortlen {
namespace {

// The kept looks are the style's own pixels, corners over the background included, at every
// value, after a change of range and of size, in Fusion and in the platform's style.
TEST(CachedProgressBarTest, ShowsTheSamePixelsAsAPlainBar) {
  for (const QString& styleName : {QStringLiteral("Fusion"), QString()}) {
    std::unique_ptr<QStyle> style(styleName.isEmpty() ? nullptr : QStyleFactory::create(styleName));
    QWidget window;
    if (style) window.setStyle(style.get());
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window.setPalette(palette);
    window.resize(420, 60);
    QProgressBar plain(&window);
    CachedProgressBar cached(&window);
    const std::array<QProgressBar*, 2> bars = {&plain, &cached};
    for (QProgressBar* bar : bars) bar->setTextVisible(false);
    const auto compare = [&](const char* what) {
      const QImage shown = window.grab().toImage();
      const QImage a = shown.copy(plain.geometry());
      const QImage b = shown.copy(cached.geometry());
      ASSERT_EQ(a, b) << what << ", value " << cached.value() << ", style "
                      << styleName.toStdString();
    };
    window.show();
    for (const auto& [low, high, width] : {std::tuple{0, 100, 200}, {-40, 3000, 150}}) {
      plain.setGeometry(0, 10, width, 20);
      cached.setGeometry(210, 10, width, 20);
      for (QProgressBar* bar : bars) bar->setRange(low, high);
      for (const int value : {low, low + 1, (low + high) / 3, high - 1, high, (low + high) / 3}) {
        for (QProgressBar* bar : bars) bar->setValue(value);
        compare("range and value");
      }
    }
  }
}

}  // namespace
}  // namespace vortlen
