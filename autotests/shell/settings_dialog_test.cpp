#include "settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "view_support.h"

namespace vortlen {
namespace {

QRadioButton* radio(SettingsDialog& dialog, int id) {
  return findControl<QRadioButton>(&dialog, id);
}
QPushButton* button(SettingsDialog& dialog, int id) {
  return findControl<QPushButton>(&dialog, id);
}

TEST(SettingsDialog, IsBuiltAsItsTemplateSays) {
  unsigned port = 1;
  SettingsDialog dialog(port);
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("  Настройки программы"));
  EXPECT_EQ(dialog.size(), dialogRect(dialogFont(), 0, 0, 94, 74).size());
  EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint));

  const struct {
    int id;
    const char* text;
    int x, y, w, h;
  } controls[] = {
      {1055, "COM 1", 6, 3, 42, 12},  {1056, "COM 2", 6, 15, 42, 12},
      {1057, "COM 3", 6, 27, 42, 12}, {1058, "COM 4", 6, 39, 42, 12},
      {1059, "Beep", 54, 3, 33, 12},  {1, "OK", 48, 57, 42, 14},
      {2, "Отмена", 3, 57, 42, 14},
  };
  for (const auto& row : controls) {
    const auto* control = findControl<QAbstractButton>(&dialog, row.id);
    ASSERT_NE(control, nullptr) << row.id;
    EXPECT_EQ(control->text(), QString::fromUtf8(row.text)) << row.id;
    EXPECT_EQ(control->geometry(), dialogRect(dialog.font(), row.x, row.y, row.w, row.h)) << row.id;
  }
  EXPECT_NE(findControl<QCheckBox>(&dialog, 1059), nullptr);
  EXPECT_TRUE(button(dialog, 2)->isDefault());
  EXPECT_FALSE(button(dialog, 1)->isDefault());
}

TEST(SettingsDialog, ShowingWithAnInvalidPortSelectsComOneAndOkTakesTheClickedPort) {
  unsigned port = 7;
  SettingsDialog dialog(port);
  dialog.show();
  EXPECT_TRUE(radio(dialog, 1055)->isChecked());
  EXPECT_EQ(port, 1u);

  QTest::mouseClick(radio(dialog, 1058), Qt::LeftButton);
  QTest::mouseClick(radio(dialog, 1057), Qt::LeftButton);
  EXPECT_FALSE(radio(dialog, 1055)->isChecked() || radio(dialog, 1058)->isChecked());
  EXPECT_EQ(port, 1u) << "nothing is taken before OK";
  QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
  EXPECT_EQ(port, 3u);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(SettingsDialog, CancelEscapeAndEnterLeaveThePort) {
  enum Leave { kCancelButton, kEscape, kEnter };
  for (Leave leave : {kCancelButton, kEscape, kEnter}) {
    unsigned port = 2;
    SettingsDialog dialog(port);
    dialog.show();
    EXPECT_TRUE(radio(dialog, 1056)->isChecked());
    QTest::mouseClick(radio(dialog, 1058), Qt::LeftButton);
    if (leave == kCancelButton) QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
    if (leave == kEscape) QTest::keyClick(&dialog, Qt::Key_Escape);
    if (leave == kEnter) QTest::keyClick(&dialog, Qt::Key_Return);  // the default is Отмена
    EXPECT_EQ(port, 2u) << leave;
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << leave;
    EXPECT_FALSE(dialog.isVisible()) << leave;
  }
}

}  // namespace
}  // namespace vortlen
