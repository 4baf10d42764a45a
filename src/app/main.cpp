// Вортлен 3: the main window and its child windows over the one serial port. The start-up is
// the first thing the event loop does, so that a termination signal at any moment, even while
// the start-up's message box or the settings window is up, ends the program through its exit.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "adjustment_dialog.h"
#include "child_windows.h"
#include "command_line.h"
#include "ecu_link.h"
#include "main_dialog.h"
#include "qsettings_store.h"
#include "qt_translation.h"
#include "record_view.h"
#include "termination_signals.h"
#include "vortlen3_version.h"
#ifdef _WIN32
#include <windows.h>

#include "power_off_windows.h"
#include "win32_serial_port.h"
#else
#include "posix_serial_port.h"
#include "power_off_logind.h"
#endif

namespace {

constexpr int kKeeperPeriodMs = 250;

#ifdef __linux__
// Before any library's constructor: from the program's first moment, a termination signal is
// caught and waits for the event loop, instead of killing the program by its default action.
void catchSignalsFirst() {
  vortlen::catchTerminationSignals();
}
[[gnu::section(".preinit_array"), gnu::used]] void (*const kCatchSignalsFirst)() = catchSignalsFirst;
#endif

// The trace cannot be written: said once, in a box that leaves the window working.
void showTraceFailure(QWidget* window, const std::string& path, const std::string& reason) {
  auto* box = new QMessageBox(
      QMessageBox::Warning, QStringLiteral("Вортлен"),
      QStringLiteral("Журнал обмена (VORTLEN3_TRACE) не записывается в файл %1: %2. Обмен с ЭБУ "
                     "идёт как обычно; укажите другой файл.")
          .arg(QString::fromStdString(path), QString::fromStdString(reason)),
      QMessageBox::Ok, window);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace

int main(int argc, char** argv) {
  // Where there is no early hook, as soon as main() runs (catching twice does nothing).
  vortlen::catchTerminationSignals();
  // --version and --help are answered before any window or port is opened.
  if (const auto answer = vortlen::commandLineAnswer(argc, argv, vortlen::kVersion)) {
#ifdef _WIN32
    // A window program started from a command prompt has no standard output of its own: the
    // answer goes to the prompt's console, unless it was redirected.
    if (GetStdHandle(STD_OUTPUT_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
      std::freopen("CONOUT$", "w", stdout);
    }
#endif
    std::fputs(answer->c_str(), stdout);
    return 0;
  }

  QApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  QApplication::setApplicationVersion(QString::fromUtf8(vortlen::kVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral(VORTLEN3_APP_ID));
  // Qt's own Russian texts are inside the program (a Windows PC has no Qt translations folder).
  vortlen::installQtRussianTexts(application, QStringLiteral(":/i18n"));

#ifdef _WIN32
  vortlen::Win32SerialPort device;
  vortlen::WindowsPowerOff powerOff;
#else
  vortlen::PosixSerialPort device;
  vortlen::LogindPowerOff powerOff;
#endif
  vortlen::SharedPort port(device);
  // VORTLEN3_TRACE=<file>: every byte on the wire, for a support request.
  vortlen::WireTrace trace;
  const char* traceVariable = std::getenv("VORTLEN3_TRACE");
  const std::string tracePath = traceVariable != nullptr ? traceVariable : "";
  if (!tracePath.empty()) {
    if (trace.open(tracePath.c_str())) {
      trace.setProgram(std::string("Вортлен 3 ") + vortlen::kVersion);
      port.setTrace(&trace);
    } else {
      std::fprintf(stderr, "vortlen3: cannot append the wire trace to %s\n", tracePath.c_str());
    }
  }
  vortlen::QSettingsStore settings;
  vortlen::AppChildWindows children(port, settings);
  // One recording follows the live values from the main window into the graph view and back.
  vortlen::ProgramRecorder recording;
  children.setRecorder(recording.recorder());

  vortlen::MainDialog mainDialog(port, settings, powerOff, children, {}, &recording.recorder());
  children.setEcuNames([&mainDialog] {
    // The two header fields name the ECU once the polling has read both texts.
    const vortlen::LiveDisplay& display = mainDialog.logic().display();
    if (mainDialog.logic().poll().state() != vortlen::PollState::Cycle) return vortlen::EcuNames{};
    return vortlen::EcuNames{display.texts[0], display.texts[1]};
  });
  children.setParent(&mainDialog);

  // The slider windows, created on their first opening, are destroyed before the main window,
  // without their close procedure: the main window's exit has released the ECU by then.
  vortlen::AdjustmentWindows adjustments(port);
  children.setAdjustmentWindows(adjustments);

  // The main window ends once, through its exit steps; then the program ends.
  QObject::connect(&mainDialog, &QDialog::finished, &application,
                   [] { QCoreApplication::exit(0); });
  // Ended by a signal, no one is there to answer a box: warnings go to standard error.
  vortlen::closeOnTerminationSignals(
      &mainDialog, [&port] { port.setUnattended(); },
      [&mainDialog] { mainDialog.done(QDialog::Accepted); });
  // The link's keeper: while no window sends (a message box up, a replay, the passport after
  // its reading, the graph view paused), a device that went away is noticed, opened again
  // when it is back, and the release due goes at once, not when someone answers a box.
  vortlen::EcuLink keeper(port);
  QTimer keeperTimer;
  QObject::connect(&keeperTimer, &QTimer::timeout, &mainDialog, [&keeper] { keeper.settle(); });
  keeperTimer.start(kKeeperPeriodMs);
  QTimer::singleShot(0, &mainDialog, [&mainDialog] { mainDialog.startUp(); });
  if (!trace.failure().empty()) {
    QTimer::singleShot(0, &mainDialog, [&mainDialog, &trace, &tracePath] {
      showTraceFailure(&mainDialog, tracePath, trace.failure());
    });
  }
  trace.setWriteFailed([&mainDialog, &trace, &tracePath] {
    // Told inside a transaction: the box comes once the transaction is over.
    QTimer::singleShot(0, &mainDialog, [&mainDialog, &trace, &tracePath] {
      showTraceFailure(&mainDialog, tracePath, trace.failure());
    });
  });
  application.exec();
  return 0;
}
