#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <memory>

#include "graph_dialog.h"
#include "graph_ids.h"
#include "graph_painter.h"
#include "scripted_ecu.h"
#include "view_support.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::ScriptedEcu;

// The logic drawing into a real surface, as the dialog does, on a 700 × 355 client area:
// W = 700, H7 = 350, band = 50, the plot 629 × 348 pixels.
class PaintingView final : public GraphView {
 public:
  PaintingView() : painter(1000, 800) {}
  void pushTexts() override {}
  void render() override { painter.renderGraph(*logic); }
  void drawErrorText(std::string_view text, int x, int y) override {
    painter.drawText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), x, y);
  }
  void present() override { painter.presentGraph(*logic, presented); }
  void endDialog() override {}

  GraphLogic* logic = nullptr;
  GraphPainter painter;
  QImage presented{629, 348, QImage::Format_RGB32};
};

class GraphPictureTest : public ::testing::Test {
 protected:
  GraphPictureTest() {
    shared.openPort(1);
    logic.setClientSize(700, 355);
    view.logic = &logic;
    logic.start();
  }

  void tick(std::uint16_t pressure) {
    port.answer({static_cast<std::uint8_t>(pressure), static_cast<std::uint8_t>(pressure >> 8), 20,
                 24, 0, 0, 0, 0});
    logic.onTimer();
  }

  QRgb at(int x, int y) const { return view.presented.pixel(x, y) & 0xFFFFFF; }

  ScriptedEcu port;
  SharedPort shared{port};
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings{};
  PaintingView view;
  GraphLogic logic{{shared, timer, notifier, settings, view}, 1000, 800};
};

TEST_F(GraphPictureTest, WhiteOnBlackShowsTheGridAndTheTraces) {
  logic.command(ids::kCmdWhiteOnBlack);
  tick(2000);
  tick(2000);
  // The band separators are 2 pixels thick on rows band − 1 and band − 2.
  for (const int y : {48, 49, 98, 99, 298, 299}) EXPECT_EQ(at(300, y), 0xC8C880u) << "row " << y;
  EXPECT_EQ(at(300, 47), 0x000000u);
  EXPECT_EQ(at(300, 50), 0x000000u);
  // Two samples at the divisor: trace 0 runs along the top row from x 0 to x 4.
  EXPECT_EQ(at(2, 0), 0xFFFFFFu);
  EXPECT_EQ(at(8, 0), 0x000000u);
}

TEST_F(GraphPictureTest, BlackOnWhiteInvertsOnlyThePlot) {
  logic.command(ids::kCmdBlackOnWhite);
  tick(2000);
  tick(2000);
  EXPECT_EQ(at(300, 20), 0xFFFFFFu) << "white background";
  EXPECT_EQ(at(300, 49), 0x37377Fu) << "grid RGB(55,55,127)";
  EXPECT_EQ(at(2, 0), 0x000000u) << "black trace";
  // The surface itself keeps the colours it was drawn in.
  EXPECT_EQ(view.painter.surface().pixel(300, 49) & 0xFFFFFF, 0xC8C880u);
}

TEST_F(GraphPictureTest, OneSampleDrawsTheGridOnly) {
  logic.command(ids::kCmdWhiteOnBlack);
  tick(2000);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(at(x, 0), 0x000000u) << "x " << x;
}

TEST_F(GraphPictureTest, EnlargedValuesAndLinkFailuresAreWrittenInThePlot) {
  QFont big;
  big.setPixelSize(40);
  view.painter.setBigFont(big);
  logic.command(ids::kCmdWhiteOnBlack);
  tick(1000);
  tick(1000);
  const auto valuePixels = [this](int top, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < view.presented.width(); ++x) count += at(x, y) == 0x64FFFFu;
    }
    return count;
  };
  EXPECT_EQ(valuePixels(0, 48), 0);
  logic.onValueClicked(0);  // running: shown with the next frame
  tick(1000);
  EXPECT_GT(valuePixels(0, 48), 50) << "the value 1000 across band 0";
  port.silence();
  logic.onTimer();
  EXPECT_EQ(valuePixels(0, 48), 0) << "no enlarged value over a failure";
  EXPECT_GT(valuePixels(145, 200), 50) << "the failure text at band × 2.9";
}

class GraphDialogTest : public ::testing::Test {
 protected:
  GraphDialogTest() { shared.openPort(1); }

  ScriptedEcu port;
  SharedPort shared{port};
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
};

TEST_F(GraphDialogTest, KeysMenuAndValueClicks) {
  GraphDialog dialog(shared, settings, nullptr, {&timer, &notifier, QSize(1024, 768)});
  dialog.startUp();
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible()) << "Enter does not close the window";
  QTest::keyClick(&dialog, Qt::Key_Minus, Qt::NoModifier);
  EXPECT_EQ(dialog.logic().lineLength(), 3);
  QTest::keyClick(&dialog, Qt::Key_Equal, Qt::NoModifier);
  QTest::keyClick(&dialog, Qt::Key_Equal, Qt::NoModifier);
  EXPECT_EQ(dialog.logic().lineLength(), 5);

  EXPECT_EQ(dialog.commandAction(ids::kCmdGraphSet4)->text(),
            QString::fromUtf8("Набор 4    Alt+F4"));
  EXPECT_TRUE(dialog.commandAction(ids::kCmdGraphSet1)->isChecked());
  EXPECT_TRUE(dialog.commandAction(ids::kCmdBlackOnWhite)->isChecked());
  QTest::keyClick(&dialog, Qt::Key_F2, Qt::ControlModifier);
  EXPECT_EQ(dialog.logic().activeSet(), 2);
  EXPECT_TRUE(dialog.commandAction(ids::kCmdGraphSet2)->isChecked());
  // Choosing the shown set or face again from the menu keeps its check.
  dialog.commandAction(ids::kCmdGraphStop)->trigger();
  dialog.commandAction(ids::kCmdGraphSet2)->trigger();
  dialog.commandAction(ids::kCmdBlackOnWhite)->trigger();
  EXPECT_TRUE(dialog.commandAction(ids::kCmdGraphStop)->isChecked());
  EXPECT_TRUE(dialog.commandAction(ids::kCmdGraphSet2)->isChecked());
  EXPECT_TRUE(dialog.commandAction(ids::kCmdBlackOnWhite)->isChecked());
  auto* caption = findControl<QLabel>(dialog.clientArea(), ids::kFirstGraphCaption + 3);
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text(), QStringLiteral("GBC"));

  auto* value = findControl<QLabel>(dialog.clientArea(), ids::kFirstGraphValue + 2);
  ASSERT_NE(value, nullptr);
  QTest::mouseClick(value, Qt::LeftButton);
  EXPECT_EQ(dialog.logic().settings().enlargedMask[1], 0x04);

  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
}  // namespace vortlen

namespace vortlen {
namespace {

// The window itself: what it shows of the plot after ticks, enlarged values and a failure.
TEST(GraphWindowTest, ThePlotShowsTheTracesTheEnlargedValuesAndTheFailureText) {
  ScriptedEcu port;
  SharedPort shared{port};
  shared.openPort(1);
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
  settings.values = {{"График/Face", 0u}};
  GraphDialog dialog(shared, settings, nullptr, {&timer, &notifier, QSize(1024, 768)});
  dialog.startUp();
  const auto countText = [&dialog](int top, int bottom) {
    QCoreApplication::processEvents();
    // What the window system was given, not a fresh painting of the widget.
    const QPoint at = dialog.plot()->mapTo(&dialog, QPoint(0, 0));
    const QImage shown = dialog.screen()
                             ->grabWindow(dialog.winId(), at.x(), at.y(), dialog.plot()->width(),
                                          dialog.plot()->height())
                             .toImage();
    int count = 0;
    for (int y = top; y < bottom && y < shown.height(); ++y) {
      for (int x = 0; x < shown.width(); ++x) count += (shown.pixel(x, y) & 0xFFFFFF) == 0x64FFFFu;
    }
    return count;
  };
  for (int i = 0; i < 5; ++i) {
    port.answer({0xE8, 0x03, 20, 24, 0, 0, 0, 0});
    dialog.logic().onTimer();
  }
  const int band = dialog.logic().band();
  EXPECT_EQ(countText(0, band), 0);
  dialog.logic().onValueClicked(0);
  port.answer({0xE8, 0x03, 20, 24, 0, 0, 0, 0});
  dialog.logic().onTimer();
  EXPECT_GT(countText(0, band), 50) << "the value 1000 across band 0";
  port.silence();
  dialog.logic().onTimer();
  EXPECT_EQ(countText(0, band), 0) << "no enlarged value over a failure";
  EXPECT_GT(countText(band * 2, band * 4), 50) << "the failure text at band × 2.9";
}

}  // namespace
}  // namespace vortlen
