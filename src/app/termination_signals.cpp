#include "termination_signals.h"

#include <QApplication>
#include <QWidget>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#endif

namespace vortlen {

#ifndef _WIN32

namespace {

// A signal handler may only write to a descriptor: the event loop reads the other end.
int signalSockets[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
}

}  // namespace

void catchTerminationSignals() {
  if (signalSockets[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) return;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

void closeOnTerminationSignals(QWidget* window, std::function<void()> unattended,
                               std::function<void()> end) {
  // A signal caught before now waits in the socket: the notifier sees it once the loop runs.
  catchTerminationSignals();
  if (signalSockets[1] < 0) return;
  auto* notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window, unattended, end] {
    char byte = 0;
    [[maybe_unused]] const ssize_t count = ::read(signalSockets[1], &byte, 1);
    if (unattended) unattended();
    // A modal child window (the graph view, a test) runs a loop of its own inside the main
    // window's: end it first, or the main window's end waits for it for ever. Bounded, in case
    // a window refuses to close.
    for (int i = 0; i < 8; ++i) {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == window) break;
      modal->close();
    }
    end();
  });
}

#else

void closeOnTerminationSignals(QWidget*, std::function<void()>, std::function<void()>) {}

void catchTerminationSignals() {}

#endif

}  // namespace vortlen
