#pragma once

#include <functional>
#include <memory>

#include "ecu_link.h"
#include "window_services.h"

class QDialog;
class QTreeWidget;
class QWidget;

namespace vortlen {

/// Services a test may replace; the empty ones are the real timer, message boxes and waits.
struct ServiceDialogOverrides {
  WindowTimer* timer = nullptr;
  Notifier* notifier = nullptr;
  Sleeper* sleeper = nullptr;
};

/// The timer, message boxes and waits of one window: the overrides where given, else the
/// toolkit's own, owned here.
class DialogServices {
 public:
  DialogServices(QDialog* dialog, std::function<void()> onTick, ServiceDialogOverrides overrides);
  ~DialogServices();

  WindowTimer& timer() { return *timer_; }
  Notifier& notifier() { return *notifier_; }
  Sleeper& sleeper() { return *sleeper_; }

 private:
  std::unique_ptr<WindowTimer> ownTimer_;
  std::unique_ptr<Notifier> ownNotifier_;
  std::unique_ptr<Sleeper> ownSleeper_;
  WindowTimer* timer_;
  Notifier* notifier_;
  Sleeper* sleeper_;
};

/// A report-style list: column headers that do not react to clicks, no tree decoration,
/// the selection shown even when the list has no focus.
QTreeWidget* reportList(QWidget* parent, int id);

}  // namespace vortlen
