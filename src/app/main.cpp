// Вортлен 3: the main window and its child windows over the one serial port. The start-up is
// the first thing the event loop does, so that a termination signal at any moment, even while
// the start-up's message box or the settings window is up, ends the program through its exit.
#include <QApplication>
#include <QTimer>

#include "adjustment_dialog.h"
#include "child_windows.h"
#include "main_dialog.h"
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
  vortlen::AppChildWindows children(port, settings);

  vortlen::MainDialog mainDialog(port, settings, powerOff, children);
  children.setParent(&mainDialog);

  // The slider windows, created on their first opening, are destroyed before the main window,
  // without their close procedure: the main window's exit has released the ECU by then.
  vortlen::AdjustmentWindows adjustments(port);
  children.setAdjustmentWindows(adjustments);

  // The main window ends once, through its exit steps; then the program ends.
  QObject::connect(&mainDialog, &QDialog::finished, &application,
                   [] { QCoreApplication::exit(0); });
  vortlen::closeOnTerminationSignals(&mainDialog,
                                     [&mainDialog] { mainDialog.done(QDialog::Accepted); });
  QTimer::singleShot(0, &mainDialog, [&mainDialog] { mainDialog.startUp(); });
  application.exec();
  return 0;
}
