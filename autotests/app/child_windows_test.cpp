#include "child_windows.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "main_dialog.h"
#include "resource_ids.h"
#include "simulated_bench.h"
#include "view_support.h"

namespace vortlen {
namespace {

// The program's table of child windows, with openings recorded instead of run.
struct TableChildren final : ChildWindows {
  TableChildren() {
    for (const ChildWindowRow& row : kChildWindowTable) table.push_back(row.entry);
  }
  std::span<const ChildWindowEntry> windows() const override { return table; }
  void open(const ChildWindowEntry& window) override {
    opened.push_back(window.command);
    if (whileOpen) whileOpen();
  }
  void runSettings(unsigned&) override {}
  std::vector<ChildWindowEntry> table;
  std::vector<int> opened;
  std::function<void()> whileOpen;
};

// The real main window, built from the table, on the offscreen platform.
class ChildWindowTableTest : public test::SimulatedBenchTest {
 protected:
  ChildWindowTableTest() : SimulatedBenchTest(test::Com1::Present) {
    settings.values["Главное/РазмерОкна"] = 1;
    dialog.startUp();
    QApplication::processEvents();
  }

  QStringList menuItems(const QString& title) {
    QStringList items;
    for (QAction* top : findControl<QMenuBar>(&dialog, ids::kMainMenu)->actions()) {
      if (top->text() != title || !top->menu()) continue;
      for (QAction* item : top->menu()->actions()) {
        items << item->text() + (item->shortcut().isEmpty()
                                     ? QString()
                                     : " [" + item->shortcut().toString() + "]");
      }
    }
    return items;
  }

  TableChildren children;
  MainDialog dialog{port, settings, powerOff, children, {&timer, &notifier, &sleeper}};
};

TEST_F(ChildWindowTableTest, TheTableBuildsTheMenusAndKeysAroundTheMainWindowsOwnItems) {
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Вортлен 3  (V 0.008)"));
  QStringList topLevel;
  for (QAction* action : findControl<QMenuBar>(&dialog, ids::kMainMenu)->actions()) {
    topLevel << action->text() + (action->isEnabled() ? "" : "(greyed)");
  }
  EXPECT_EQ(topLevel,
            QStringList({"ЭБУ", "Набор", "Вид", "Тесты", "Регулировки", "Вкл/Откл",
                         "Проверка(greyed)", "Двигатель(greyed)", "Дополнительно", "Завершение"}));
  EXPECT_EQ(menuItems("ЭБУ"), QStringList({"Паспорт [Alt+P]", "Таблицы топливоподачи [Alt+T]",
                                           "Ошибки и неисправности [F5]", "Сброс [Del]"}));
  EXPECT_EQ(menuItems("Набор"),
            QStringList({"Набор 1 [Ctrl+F1]", "Набор 2 [Ctrl+F2]", "Набор 3 [Ctrl+F3]",
                         "Набор 4 [Ctrl+F4]", "Набор 5 [Ctrl+F5]"}));
  EXPECT_EQ(menuItems("Вид"), QStringList({"Графический [F6]"}));
  EXPECT_EQ(menuItems("Тесты"),
            QStringList({"Управление механизмами [Alt+M]", "Тест фаз ГРМ. ЗМЗ 4063 [Alt+G]"}));
  EXPECT_EQ(menuItems("Регулировки"),
            QStringList({"Коррекция СО", "Зажигание", "Температура ОЖ", "Положение РДВ"}));
  // The recording's two items and the guide close «Дополнительно», after the window's own.
  EXPECT_EQ(menuItems("Дополнительно"),
            QStringList({"Настройка программы", "О программе [F1]", "Схема адаптера K-Line",
                         "Запись [Ctrl+R]", "Открыть запись… [Ctrl+O]", "Руководство"}));
  EXPECT_EQ(menuItems("Завершение"),
            QStringList({"Завершить программу\tAlt+F4", "Выклчить компьютер"}));
}

TEST_F(ChildWindowTableTest, EveryWindowCommandOpensItsRowAndOnlyTheEcuWindowsPausePolling) {
  std::vector<int> paused;
  for (const ChildWindowRow& row : kChildWindowTable) {
    const int command = row.entry.command;
    children.opened.clear();
    children.whileOpen = [&] {
      if (!timer.isRunning()) paused.push_back(command);
    };
    timer.start(90);
    dialog.commandAction(command)->trigger();
    EXPECT_EQ(children.opened, std::vector<int>{command}) << command;
  }
  EXPECT_EQ(paused, (std::vector<int>{ids::kCmdPassport, ids::kCmdFuelTables, ids::kCmdFaults,
                                      ids::kCmdGraph, ids::kCmdActuators, ids::kCmdPhaseTest}));
}

}  // namespace
}  // namespace vortlen
