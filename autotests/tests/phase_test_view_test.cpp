#include <gtest/gtest.h>
#include <QTest>

#include "phase_test_dialog.h"
#include "scripted_ecu.h"
#include "view_support.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::ScriptedEcu;

constexpr QRgb kBackground = 0x287682;
constexpr QRgb kGrid = 0x005028;
constexpr QRgb kReference = 0x8CDAE6;
constexpr QRgb kMeasurement = 0xFFFF50;
constexpr QRgb kText = 0xFAB2B2;

class PhasePictureTest : public ::testing::Test {
 protected:
  QRgb at(int x, int y) const { return picture.pixel(x, y) & 0xFFFFFF; }
  int textPixels(QRect area) const {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) count += at(x, y) == kText;
    }
    return count;
  }
  void draw(std::array<std::uint8_t, 5> answer) {
    drawPhasePicture(picture, phaseFrame(answer.data()), largeValueFont(32, 10));
  }

  QImage picture{kPhasePictureWidth, kPhasePictureHeight, QImage::Format_RGB32};
};

TEST_F(PhasePictureTest, TheReferenceAnswerPutsTheVacuumLineOnTheReferenceLine) {
  draw({0x82, 0x14, 0x2C, 0x01, 0x50});
  EXPECT_EQ(at(300, 10), kMeasurement) << "the vacuum line lies over the reference line";
  EXPECT_EQ(at(10, 350), kMeasurement) << "the speed line at y 350";
  EXPECT_EQ(at(590, 350), kMeasurement);
  EXPECT_EQ(at(10, 342), kReference) << "the reference cross stays at 840 rpm";
  EXPECT_EQ(at(20, 5), kGrid);
  EXPECT_EQ(at(5, 21), kGrid);
  EXPECT_EQ(at(10, 10), kBackground);
  for (int row = 0; row < 4; ++row) {
    EXPECT_GT(textPixels(QRect(200, 100 + 50 * row, 250, 40)), 50) << "value text " << row;
  }
  EXPECT_GT(textPixels(QRect(5, 477, 590, 32)), 100) << "the reminder";
}

TEST_F(PhasePictureTest, AVacuumOfAThousandStopsAtTheRightEdge) {
  draw({0x82, 0x14, 0xE8, 0x03, 0x50});
  EXPECT_EQ(at(599, 10), kMeasurement);
  EXPECT_EQ(at(599, 500), kMeasurement);
  EXPECT_NE(at(300, 10), kMeasurement);
}

TEST_F(PhasePictureTest, AFailureShowsItsTextOverTheBareGrid) {
  PhaseFrame failure;
  failure.kind = PhaseFrame::Kind::Failure;
  failure.failure = "Не включен адаптер";
  drawPhasePicture(picture, failure, largeValueFont(32, 10));
  EXPECT_GT(textPixels(QRect(180, 202, 400, 40)), 50);
  EXPECT_EQ(textPixels(QRect(5, 477, 590, 32)), 0) << "no reminder";
  for (int y = 0; y < kPhasePictureHeight; ++y) {
    for (int x = 0; x < kPhasePictureWidth; ++x) ASSERT_NE(at(x, y), kMeasurement);
  }
}

TEST(PhaseTestDialogTest, EnterIsSwallowedAndEscapeCloses) {
  ScriptedEcu port;
  SharedPort shared{port};
  shared.openPort(1);
  test::FakeTimer timer;
  PhaseTestDialog dialog(shared, nullptr, &timer);
  EXPECT_EQ(dialog.windowTitle(),
            QString::fromUtf8("Двигатель ЗМЗ 4063 (карбюратор)  Тест фаз ГРМ"));
  dialog.startUp();
  EXPECT_EQ(dialog.size(), QSize(600, 510)) << "the client area is the picture";
  EXPECT_TRUE(timer.isRunning());
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace vortlen
