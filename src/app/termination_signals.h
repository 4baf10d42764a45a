#pragma once

class QWidget;

namespace vortlen {

/// Ends `window` the ordinary way (its exit releases the ECU and saves the settings) when the
/// process is asked to stop: SIGTERM, SIGINT or SIGHUP, as on logging out or Ctrl+C in the
/// terminal that started it. Does nothing where there are no such signals.
void closeOnTerminationSignals(QWidget* window);

}  // namespace vortlen
