#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt_window_services.h"

namespace vortlen {
namespace {

// Runs `inspect` on the message box once it is up, then lets `answer` close it.
void whenBoxShows(std::function<void(QMessageBox&)> inspect,
                  std::function<void(QMessageBox&)> answer) {
  QTimer::singleShot(0, [inspect, answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    inspect(*box);
    answer(*box);
  });
}

QString buttonText(QMessageBox& box, QMessageBox::StandardButton which) {
  QAbstractButton* button = box.button(which);
  return button ? button->text() : QString();
}

TEST(QtNotifier, AsksWithTheWarningIconInRussianWithNoAsDefault) {
  QtNotifier notifier(nullptr);
  whenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(buttonText(box, QMessageBox::Yes), QString::fromUtf8("Да"));
        EXPECT_EQ(buttonText(box, QMessageBox::No), QString::fromUtf8("Нет"));
        EXPECT_EQ(buttonText(box, QMessageBox::Cancel), QString::fromUtf8("Отмена"));
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(QMessageBox::No));
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("Вортлен3"));
      },
      [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(notifier.ask("Записать данные в память ЭБУ ? ", "Вортлен3"), Answer::No);
}

TEST(QtNotifier, AMessageWithNoIconShowsItsTextAsText) {
  QtNotifier notifier(nullptr);
  whenBoxShows(
      [](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
      },
      [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); });
  notifier.message("Порт /dev/<b>ttyUSB0</b> занят", "Вортлен 3", MessageIcon::None);
}

TEST(QtNotifier, EscapeOrTheCloseBoxOnAQuestionIsCancel) {
  QtNotifier notifier(nullptr);
  whenBoxShows([](QMessageBox&) {},
               [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_EQ(notifier.ask("?", "Вортлен3"), Answer::Cancel);
  whenBoxShows([](QMessageBox&) {}, [](QMessageBox& box) { box.close(); });
  EXPECT_EQ(notifier.ask("?", "Вортлен3"), Answer::Cancel);
  whenBoxShows([](QMessageBox&) {},
               [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
  EXPECT_EQ(notifier.ask("?", "Вортлен3"), Answer::Yes);
}

}  // namespace
}  // namespace vortlen
