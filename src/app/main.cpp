// Вортлен 3: the main window runs modally; when it ends, the program ends.
#include <QApplication>

#include "actuator_dialog.h"
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
  vortlen::AppChildWindows children;

  children.plugIn(vortlen::ChildWindow::Actuators, [&port, &settings](QWidget* parent) {
    vortlen::ActuatorDialog dialog(port, settings, parent);
    dialog.exec();
  });

  vortlen::MainDialog mainDialog(port, settings, powerOff, children);
  children.setParent(&mainDialog);
  vortlen::closeOnTerminationSignals(&mainDialog);
  mainDialog.startUp();
  mainDialog.exec();
  return 0;
}
