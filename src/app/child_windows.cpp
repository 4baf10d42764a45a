#include "child_windows.h"

#include "about_dialog.h"
#include "actuator_dialog.h"
#include "adjustment_dialog.h"
#include "faults_dialog.h"
#include "fuel_tables_dialog.h"
#include "graph_dialog.h"
#include "graph_recording.h"
#include "passport_dialog.h"
#include "phase_test_dialog.h"
#include "resource_ids.h"
#include "settings_dialog.h"

namespace vortlen {

namespace {

template <class Dialog>
void runModal(ChildWindowContext& context, QWidget* parent) {
  Dialog dialog(context.port, parent);
  dialog.exec();
}

// The windows whose list «Сохранить» exports: they name the ECU the main window reads.
template <class Dialog>
void runExporting(ChildWindowContext& context, QWidget* parent) {
  Dialog dialog(context.port, parent);
  if (context.ecuNames) dialog.setEcuNames(context.ecuNames());
  dialog.exec();
}

// The slider windows are created on their first opening and placed beside the main window.
template <AdjustmentKind kind>
void openAdjustment(ChildWindowContext& context, QWidget* parent) {
  if (!context.adjustments) return;
  context.adjustments->open(kind, parent, context.children->mainClientSize(),
                            context.children->mainPosition());
}

}  // namespace

// The modal windows that talk to the ECU pause the main polling while they are open; the
// slider windows, the about window and the adapter scheme let it go on.
const std::array<ChildWindowRow, 12> kChildWindowTable = {{
    {{ids::kCmdPassport, MainMenu::Ecu, "Паспорт", "Alt+P", true}, runExporting<PassportDialog>},
    {{ids::kCmdFuelTables, MainMenu::Ecu, "Таблицы топливоподачи", "Alt+T", true},
     runModal<FuelTablesDialog>},
    {{ids::kCmdFaults, MainMenu::Ecu, "Ошибки и неисправности", "F5", true},
     runExporting<FaultsDialog>},
    {{ids::kCmdGraph, MainMenu::View, "Графический", "F6", true},
     [](ChildWindowContext& context, QWidget* parent) {
       GraphDialogOverrides services;
       services.recorder = context.recorder;
       services.ecuNames = context.ecuNames;
       GraphDialog graph(context.port, context.settings, parent, services);
       graph.run();
     }},
    {{ids::kCmdActuators, MainMenu::Tests, "Управление механизмами", "Alt+M", true},
     [](ChildWindowContext& context, QWidget* parent) {
       ActuatorDialog dialog(context.port, context.settings, parent);
       dialog.exec();
     }},
    {{ids::kCmdPhaseTest, MainMenu::Tests, "Тест фаз ГРМ. ЗМЗ 4063", "Alt+G", true},
     [](ChildWindowContext& context, QWidget* parent) {
       PhaseTestDialog phaseTest(context.port, parent);
       phaseTest.run();
     }},
    {{ids::kCmdCoAdjust, MainMenu::Adjustments, "Коррекция СО", "", false},
     openAdjustment<AdjustmentKind::Co>},
    {{ids::kCmdIgnitionAdjust, MainMenu::Adjustments, "Зажигание", "", false},
     openAdjustment<AdjustmentKind::Ignition>},
    {{ids::kCmdCoolantAdjust, MainMenu::Adjustments, "Температура ОЖ", "", false},
     openAdjustment<AdjustmentKind::Coolant>},
    {{ids::kCmdIdleValveAdjust, MainMenu::Adjustments, "Положение РДВ", "", false},
     openAdjustment<AdjustmentKind::IdleValve>},
    {{ids::kCmdAbout, MainMenu::Extra, "О программе", "F1", false},
     [](ChildWindowContext&, QWidget* parent) {
       AboutDialog dialog(parent);
       dialog.exec();
     }},
    {{ids::kCmdAdapterScheme, MainMenu::Extra, "Схема адаптера K-Line", "", false},
     [](ChildWindowContext&, QWidget* parent) {
       AdapterSchemeDialog dialog(parent);
       dialog.exec();
     }},
}};

AppChildWindows::AppChildWindows(SharedPort& port, SettingsStore& settings)
    : context_{port, settings, nullptr, this, nullptr, {}} {
  for (const ChildWindowRow& row : kChildWindowTable) entries_.push_back(row.entry);
}

void AppChildWindows::open(const ChildWindowEntry& window) {
  for (const ChildWindowRow& row : kChildWindowTable) {
    if (row.entry.command == window.command) return row.open(context_, parent_);
  }
}

std::vector<RecordLayout> AppChildWindows::graphRecordLayouts() const {
  const std::span<const RecordLayout> layouts = vortlen::graphRecordLayouts();
  return {layouts.begin(), layouts.end()};
}

void AppChildWindows::playGraphRecording(const Recording& recording) {
  GraphDialogOverrides services;
  services.recorder = context_.recorder;
  services.ecuNames = context_.ecuNames;
  GraphDialog graph(context_.port, context_.settings, parent_, services);
  graph.startUp();
  graph.playRecording(recording);
  graph.exec();
}

void AppChildWindows::runSettings(unsigned& portNumber) {
  SettingsDialog dialog(portNumber, parent_, &context_.port);
  dialog.exec();
}

}  // namespace vortlen
