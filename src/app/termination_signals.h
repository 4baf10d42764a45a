#pragma once

#include <functional>

class QWidget;

namespace vortlen {

/// Ends the program the ordinary way when the process is asked to stop: SIGTERM, SIGINT or
/// SIGHUP, as on logging out or Ctrl+C in the terminal that started it. Any modal window over
/// `window` (a message box, the settings window, the graph view) is closed first, then `end`
/// runs: it must run the exit steps (release the ECU, save the settings) once, however often
/// it is called. `unattended` runs before anything is closed, so that the windows' close
/// procedures know no box can be answered. Does nothing where there are no such signals.
void closeOnTerminationSignals(QWidget* window, std::function<void()> unattended,
                               std::function<void()> end);

/// The first thing main() does: from here on a termination signal is caught, not fatal, and
/// waits until closeOnTerminationSignals is in place and the event loop runs to end the program
/// the ordinary way (status 0). Does nothing where there are no such signals.
void catchTerminationSignals();

}  // namespace vortlen
