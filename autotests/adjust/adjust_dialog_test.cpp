#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <vector>

#include "adjust_ids.h"
#include "adjustment_dialog.h"
#include "child_windows.h"
#include "main_dialog.h"
#include "resource_ids.h"
#include "simulated_bench.h"
#include "view_support.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The slider windows on the offscreen platform, talking to the simulated ECU.
class AdjustDialogTest : public test::SimulatedBenchTest {
 protected:
  AdjustmentDialog* openWindow(AdjustmentKind kind) {
    windows.open(kind, nullptr, QSize(1000, 700), QPoint(0, 0));
    AdjustmentDialog* window = windows.window(kind);
    QApplication::processEvents();
    return window;
  }

  AdjustmentWindows windows{port, &notifier};
};

TEST_F(AdjustDialogTest, EnterAndEscapeRunTheCloseProcedureLikeTheCloseButton) {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    AdjustmentDialog* window = openWindow(AdjustmentKind::Coolant);
    ASSERT_TRUE(window->isVisible());
    EXPECT_EQ(windows.overrideMask(), 0x80);
    QTest::keyClick(window, key);
    EXPECT_FALSE(window->isVisible()) << key;
    EXPECT_EQ(windows.overrideMask(), 0) << key;
    EXPECT_EQ(lastRequest(), (Bytes{0x62, 0x0B, 0x00})) << key;
  }
}

TEST_F(AdjustDialogTest, CancelOnTheQuestionKeepsTheWindowOpenWhicheverWayItIsClosed) {
  AdjustmentDialog* window = openWindow(AdjustmentKind::Co);
  window->slider(0)->setValue(12);
  window->logic().onSliderReleased(0);
  notifier.answers = {Answer::Cancel, Answer::Cancel};
  QTest::keyClick(window, Qt::Key_Escape);
  EXPECT_TRUE(window->isVisible());
  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(notifier.questions.size(), 2u);
}

TEST_F(AdjustDialogTest, AClickInTheChannelSendsAndAKeyboardMoveDoesNot) {
  AdjustmentDialog* window = openWindow(AdjustmentKind::IdleValve);
  ReleaseSlider* slider = window->slider(0);
  const std::size_t before = ecu.requests().size();

  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(ecu.requests().size(), before);
  EXPECT_EQ(window->valueField(0)->text(), QString::number(slider->value()));

  const int beforeClick = slider->value();
  QTest::mouseClick(slider, Qt::LeftButton, {},
                    QPoint(slider->width() * 7 / 8, slider->height() / 2));
  EXPECT_GT(slider->value(), beforeClick) << "the click moved the slider towards the right";
  ASSERT_EQ(ecu.requests().size(), before + 1);
  EXPECT_EQ(lastRequest(),
            (Bytes{0x62, 0x0B, 0x20, 0x5B, static_cast<std::uint8_t>(slider->value())}));
}

TEST_F(AdjustDialogTest, AWindowIsKeptAndReadsTheEcuAgainOnEveryShowing) {
  AdjustmentDialog* first = openWindow(AdjustmentKind::Ignition);
  EXPECT_EQ(first->pos(), QPoint(518, 179));
  EXPECT_EQ(findControl<QSlider>(first, ids::kAdjustLowerSlider)->maximum(), 120);
  first->close();
  const std::size_t before = ecu.requests().size();
  EXPECT_EQ(openWindow(AdjustmentKind::Ignition), first);
  EXPECT_EQ(ecu.requests().size(), before + 1);
  // Opening a shown window only gives it the focus.
  openWindow(AdjustmentKind::Ignition);
  EXPECT_EQ(ecu.requests().size(), before + 1);
}

// The windows plugged into the real main window, as the program has them.
class AdjustFromMainWindowTest : public test::SimulatedBenchTest {
 protected:
  AdjustFromMainWindowTest() : SimulatedBenchTest(test::Com1::Present) {
    settings.values["Главное/РазмерОкна"] = 1;
    children.setParent(&dialog);
    children.setAdjustmentWindows(windows);
    dialog.startUp();
    dialog.resize(800, 600);
    QApplication::processEvents();
  }

  void clickValueField(int slot) {
    QTest::mouseClick(findControl<QLabel>(dialog.clientArea(), ids::kFirstValue + slot - 1),
                      Qt::LeftButton);
  }

  AppChildWindows children{port, settings};
  MainDialog dialog{port, settings, powerOff, children, {&timer, &notifier, &sleeper}};
  AdjustmentWindows windows{port, &notifier};
};

TEST_F(AdjustFromMainWindowTest, ValueFieldsAndCommandsOpenTheirWindowsBesideTheMainWindow) {
  ASSERT_EQ(dialog.logic().activeSet(), 1);
  clickValueField(1);
  AdjustmentDialog* coolant = windows.window(AdjustmentKind::Coolant);
  ASSERT_NE(coolant, nullptr);
  EXPECT_TRUE(coolant->isVisible());
  const QSize client = children.mainClientSize();
  const QPoint origin = children.mainPosition();
  ASSERT_FALSE(client.isEmpty());
  const ScreenRect place = adjustmentPlacement(AdjustmentKind::Coolant, client.width(),
                                               client.height(), origin.x(), origin.y());
  EXPECT_EQ(coolant->pos(), QPoint(place.x, place.y));

  dialog.logic().command(ids::kCmdSet3);
  clickValueField(4);
  EXPECT_EQ(windows.window(AdjustmentKind::Ignition), nullptr) << "set 3: no window";
  EXPECT_TRUE(notifier.messages.empty());

  dialog.logic().command(ids::kCmdCoAdjust);
  ASSERT_NE(windows.window(AdjustmentKind::Co), nullptr);
  EXPECT_TRUE(windows.window(AdjustmentKind::Co)->isVisible());
}

}  // namespace
}  // namespace vortlen
