// Вортлен 3: the main window runs modally; when it ends, the program ends.
#include <QApplication>

#include "about_dialog.h"
#include "actuator_dialog.h"
#include "adjustment_dialog.h"
#include "child_windows.h"
#include "faults_dialog.h"
#include "fuel_tables_dialog.h"
#include "graph_dialog.h"
#include "main_dialog.h"
#include "passport_dialog.h"
#include "phase_test_dialog.h"
#include "qsettings_store.h"
#include "termination_signals.h"
#ifdef _WIN32
#include "power_off_windows.h"
#include "win32_serial_port.h"
#else
#include "posix_serial_port.h"
#include "power_off_logind.h"
#endif

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);

#ifdef _WIN32
  vortlen::Win32SerialPort device;
  vortlen::WindowsPowerOff powerOff;
#else
  vortlen::PosixSerialPort device;
  vortlen::LogindPowerOff powerOff;
#endif
  vortlen::SharedPort port(device);
  vortlen::QSettingsStore settings;
  vortlen::AppChildWindows children;

  vortlen::MainDialog mainDialog(port, settings, powerOff, children);
  children.setParent(&mainDialog);

  // The modal windows: the main window pauses its polling while an ECU window is open.
  children.plugIn(vortlen::ChildWindow::Passport, [&port](QWidget* parent) {
    vortlen::PassportDialog dialog(port, parent);
    dialog.exec();
  });
  children.plugIn(vortlen::ChildWindow::FuelTables, [&port](QWidget* parent) {
    vortlen::FuelTablesDialog dialog(port, parent);
    dialog.exec();
  });
  children.plugIn(vortlen::ChildWindow::Faults, [&port](QWidget* parent) {
    vortlen::FaultsDialog dialog(port, parent);
    dialog.exec();
  });
  children.plugIn(vortlen::ChildWindow::Graph, [&port, &settings](QWidget* parent) {
    vortlen::GraphDialog graph(port, settings, parent);
    graph.run();
  });
  children.plugIn(vortlen::ChildWindow::Actuators, [&port, &settings](QWidget* parent) {
    vortlen::ActuatorDialog dialog(port, settings, parent);
    dialog.exec();
  });
  children.plugIn(vortlen::ChildWindow::PhaseTest, [&port](QWidget* parent) {
    vortlen::PhaseTestDialog phaseTest(port, parent);
    phaseTest.run();
  });
  children.plugIn(vortlen::ChildWindow::About, [](QWidget* parent) {
    vortlen::AboutDialog dialog(parent);
    dialog.exec();
  });
  children.plugIn(vortlen::ChildWindow::AdapterScheme, [](QWidget* parent) {
    vortlen::AdapterSchemeDialog dialog(parent);
    dialog.exec();
  });

  // The slider windows, created on their first opening, are destroyed before the main window,
  // without their close procedure: the main window's exit has released the ECU by then.
  vortlen::AdjustmentWindows adjustments(port);
  vortlen::plugInAdjustmentWindows(children, adjustments);

  vortlen::closeOnTerminationSignals(&mainDialog);
  mainDialog.startUp();
  mainDialog.exec();
  return 0;
}
