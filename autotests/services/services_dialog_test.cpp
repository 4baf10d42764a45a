#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "faults_dialog.h"
#include "fuel_tables_dialog.h"
#include "oem_text.h"
#include "passport_dialog.h"
#include "services_ids.h"
#include "simulated_bench.h"
#include "view_support.h"

namespace vortlen {
namespace {

// The three windows on the offscreen platform, talking to the simulated ECU.
class ServicesDialogTest : public test::SimulatedBenchTest {
 protected:
  template <class T>
  static T* control(QWidget* root, int id) {
    T* widget = findControl<T>(root, id);
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }

  static QStringList headers(QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->columnCount(); ++i) texts << list->headerItem()->text(i);
    return texts;
  }

  /// Types text the way a keyboard does, Cyrillic included.
  static void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }

  std::string fieldText(std::uint8_t code) { return ecuText(ecu.field(code), 16); }

  WindowServiceOverrides overrides{&timer, &notifier, &sleeper};
};

TEST_F(ServicesDialogTest, FaultsAreListedInTheirColumnsAndAClearLeavesThePresentOne) {
  FaultsDialog dialog(port, nullptr, overrides);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Ошибки и неисправности"));
  auto* list = control<QTreeWidget>(&dialog, ids::kFaultList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(headers(list), (QStringList{"код", "мнгкр", "однкр", "текущ", "наименование"}));
  const int widths[5] = {45, 60, 65, 65, 553};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list->columnWidth(i), widths[i]) << "column " << i;
  EXPECT_FALSE(list->header()->sectionsClickable());
  EXPECT_EQ(timer.starts, std::vector<int>{90});

  ecu.setFaults({{27, sim::kFaultManyTimes | sim::kFaultPresent}, {61, sim::kFaultOnce}});
  dialog.logic().pollFaults();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  QTreeWidgetItem* first = list->topLevelItem(0);
  EXPECT_EQ(first->text(0), "27");
  EXPECT_EQ(first->text(1), "XXX");
  EXPECT_EQ(first->text(2), "");
  EXPECT_EQ(first->text(3), "X");
  EXPECT_EQ(first->text(4), "Неисправность цепей ДПКВ или вторичного зажигания");
  EXPECT_EQ(first->textAlignment(0) & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  EXPECT_EQ(first->textAlignment(4) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

  QTest::mouseClick(control<QPushButton>(&dialog, ids::kClearFaultsButton), Qt::LeftButton);
  EXPECT_EQ(list->topLevelItemCount(), 0);
  EXPECT_TRUE(notifier.messages.empty());
  dialog.logic().pollFaults();
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "27");
}

TEST_F(ServicesDialogTest, PassportReadsEverythingAndWritesTheEditedFieldsBack) {
  PassportDialog dialog(port, nullptr, overrides);
  auto* write = control<QPushButton>(&dialog, ids::kWriteFieldsButton);
  ASSERT_NE(write, nullptr);
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  }
  EXPECT_FALSE(write->isEnabled());

  dialog.logic().onInit();
  for (int tick = 0; tick < 16 && timer.isRunning(); ++tick) dialog.logic().onTimer();
  EXPECT_TRUE(notifier.messages.empty());
  auto* lines = control<QListWidget>(&dialog, ids::kPassportLines);
  ASSERT_EQ(lines->count(), 8);
  EXPECT_EQ(lines->item(0)->text(),
            QStringLiteral("Тип ЭБУ                             МИКАС 7.1"));
  EXPECT_EQ(lines->item(7)->text(), QStringLiteral("Двигатель                        ЗМЗ-4062.10"));
  // At the template's size the list holds its eight lines whole, rows as high as the font's
  // line, and no scroll bar.
  dialog.show();
  QApplication::processEvents();
  for (int i = 0; i < 8; ++i) {
    const QRect row = lines->visualItemRect(lines->item(i));
    EXPECT_TRUE(lines->viewport()->rect().contains(row)) << i;
    EXPECT_EQ(row.height(), QFontMetrics(lines->font()).height()) << i;
  }
  EXPECT_FALSE(lines->verticalScrollBar()->isVisible());
  EXPECT_EQ(control<QLineEdit>(&dialog, ids::kFirstPassportField)->text(), "ГАЗ-3110");
  EXPECT_GT(control<QListWidget>(&dialog, ids::kConfigurationList)->count(), 10);

  auto* body = control<QLineEdit>(&dialog, ids::kFirstPassportField + 5);
  body->selectAll();
  type(body, QStringLiteral("ХТН3110ЁЖ12345678"));  // 17 characters
  EXPECT_EQ(body->text(), QStringLiteral("ХТН3110ЁЖ1234567"));
  EXPECT_TRUE(write->isEnabled());
  QTest::mouseClick(write, Qt::LeftButton);
  EXPECT_FALSE(write->isEnabled());
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(fieldText(0x7A), "ХТН3110ЁЖ1234567");
  EXPECT_EQ(fieldText(0x74), "ГАЗ-3110");

  // A refusing ECU is told.
  ecu.setRefusal(9);
  QTest::mouseClick(write, Qt::LeftButton);  // disabled: nothing happens
  EXPECT_TRUE(notifier.messages.empty());
  body->selectAll();
  type(body, QStringLiteral("A1"));
  EXPECT_TRUE(write->isEnabled());
  QTest::mouseClick(write, Qt::LeftButton);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "ЭБУ не может выполнить операцию, номер ошибки 9");

  // With no default button, Enter in an edit closes the window.
  dialog.show();
  QTest::keyClick(body, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ServicesDialogTest, FuelTableGridZeroingAndTheCloseCommand) {
  {
    FuelTablesDialog dialog(port, nullptr, overrides);
    auto* grid = control<QTreeWidget>(&dialog, ids::kFuelGrid);
    ASSERT_NE(grid, nullptr);
    QStringList expected{"B/F"};
    for (int j = 0; j < 16; ++j) expected << QString::number(j);
    EXPECT_EQ(headers(grid), expected);
    ASSERT_EQ(grid->topLevelItemCount(), 16);
    for (int c = 0; c < 17; ++c) EXPECT_EQ(grid->columnWidth(c), 45);
    EXPECT_EQ(grid->topLevelItem(15)->text(0), "15");
    EXPECT_EQ(grid->topLevelItem(0)->text(1), "");
    EXPECT_TRUE(control<QPushButton>(&dialog, ids::kShowTableButtons[0])->isDefault());
    // Laid out with the 10-point face, the grid shows all seventeen columns.
    dialog.show();
    QApplication::processEvents();
    EXPECT_GE(grid->viewport()->width(), 17 * 45);
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
    // Tab runs through the four table buttons before any zero button.
    QWidget* next = control<QPushButton>(&dialog, ids::kShowTableButtons[0])->nextInFocusChain();
    EXPECT_EQ(next, control<QPushButton>(&dialog, ids::kShowTableButtons[1]));

    dialog.logic().onTimer();
    const auto cell = [&](int i, int j) {
      return grid->topLevelItem(i)->text(j + 1).toStdString();
    };
    EXPECT_EQ(cell(3, 5), fuelCellText(ecu.table(1)[16 * 3 + 5]));
    EXPECT_EQ(cell(15, 15), fuelCellText(ecu.table(1)[255]));

    QTest::mouseClick(control<QPushButton>(&dialog, ids::kZeroTableButtons[2]), Qt::LeftButton);
    EXPECT_EQ(dialog.logic().table(), 3);
    dialog.logic().onTimer();
    EXPECT_EQ(cell(0, 0), "1.000");
    EXPECT_EQ(cell(9, 12), "1.000");
    EXPECT_EQ(ecu.requests().back(), (sim::Bytes{0x61, 0x4B}));
  }
  EXPECT_EQ(ecu.requests().back(), (sim::Bytes{0x62, 0x0E, 0x00}));
}

}  // namespace
}  // namespace vortlen
