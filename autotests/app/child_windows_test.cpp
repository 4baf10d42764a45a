#include "child_windows.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "window_fakes.h"

namespace vortlen {
namespace {

TEST(AppChildWindowsTest, APluggedWindowOpensOverTheMainWindow) {
  test::FakeNotifier notifier;
  AppChildWindows children(&notifier);
  QWidget mainWindow;
  children.setParent(&mainWindow);
  std::vector<QWidget*> openedOver;
  children.plugIn(ChildWindow::Faults, [&](QWidget* parent) { openedOver.push_back(parent); });

  children.open(ChildWindow::Faults);
  EXPECT_EQ(openedOver, std::vector<QWidget*>{&mainWindow});
  EXPECT_TRUE(notifier.messages.empty());
}

TEST(AppChildWindowsTest, AWindowNotPluggedInSaysSoByName) {
  test::FakeNotifier notifier;
  AppChildWindows children(&notifier);
  bool faultsOpened = false;
  children.plugIn(ChildWindow::Faults, [&](QWidget*) { faultsOpened = true; });

  children.open(ChildWindow::PhaseTest);
  EXPECT_FALSE(faultsOpened);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text,
            "Окно «Тест фаз ГРМ. ЗМЗ 4063» в этой версии программы ещё не готово.");
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен 3");
}

}  // namespace
}  // namespace vortlen
