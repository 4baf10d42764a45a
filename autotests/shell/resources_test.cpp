#include "resources.h"

#include <gtest/gtest.h>

#include <QImage>

namespace vortlen {
namespace {

TEST(Resources, IconAndCursorLoadWithTheirSizeTransparencyAndHotSpot) {
  const QImage icon = programIconPixmap().toImage();
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);
  EXPECT_FALSE(programIcon().pixmap(16, 16).isNull());

  const QCursor cursor = valueCursor();
  const QImage arrow = cursor.pixmap().toImage();
  ASSERT_EQ(arrow.size(), QSize(32, 32));
  EXPECT_EQ(cursor.hotSpot(), QPoint(0, 0));
  EXPECT_EQ(arrow.pixel(cursor.hotSpot()), qRgb(0, 0, 0)) << "the hot spot is on the tip";
  EXPECT_EQ(qAlpha(arrow.pixel(31, 0)), 0);
}

}  // namespace
}  // namespace vortlen
