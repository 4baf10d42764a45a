#include "view_support.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

namespace vortlen {
namespace {

TEST(SizedFont, HasTheHeightWeightAndAverageWidthAskedFor) {
  const struct { int height, width; } sizes[] = {{32, 10}, {20, 8}, {48, 30}, {13, 5}};
  for (const char* face : {"times_quartz", "Times New Roman"}) {
    for (const auto& size : sizes) {
      for (bool bold : {false, true}) {
        const QFont font = sizedFont(face, size.height, size.width, bold);
        SCOPED_TRACE(testing::Message()
                     << face << " " << size.height << "x" << size.width << (bold ? " bold" : ""));
        EXPECT_EQ(font.pixelSize(), size.height);
        EXPECT_EQ(font.bold(), bold);
        EXPECT_NEAR(QFontMetrics(font).averageCharWidth(), size.width, 1);
      }
    }
  }
  EXPECT_TRUE(largeValueFont(32, 10).bold());
}

TEST(DialogUnits, ConvertWithTheFontsBaseUnitsAndWindowsRounding) {
  // Base units 6 × 13: x scales by 1.5 and y by 1.625, halves rounding up.
  EXPECT_EQ(dialogRect(QSize(6, 13), 6, 3, 42, 12), QRect(9, 5, 63, 20));
  EXPECT_EQ(dialogRect(QSize(6, 13), 1, 1, 3, 4), QRect(2, 2, 5, 7));
  EXPECT_EQ(dialogRect(QSize(7, 16), 4, 8, 259, 95), QRect(7, 16, 453, 190));

  const QFont font = dialogFont();
  const QSize base = dialogBaseUnits(font);
  const int letters = QFontMetrics(font).horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  EXPECT_NEAR(base.width(), letters / 52.0, 1.0);
  EXPECT_EQ(base.height(), QFontMetrics(font).height());
  EXPECT_EQ(dialogRect(font, 8, 16, 4, 8),
            QRect(2 * base.width(), 2 * base.height(), base.width(), base.height()));
}

}  // namespace
}  // namespace vortlen
