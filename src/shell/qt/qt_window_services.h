#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "window_services.h"

class QWidget;

namespace vortlen {

/// Timer 1 of a window: a precise periodic QTimer that calls `onTick` on every expiry.
class QtWindowTimer final : public WindowTimer {
 public:
  QtWindowTimer(QObject* owner, std::function<void()> onTick);
  void start(int periodMs) override;
  void stop() override;
  bool isRunning() const override;

 private:
  QTimer timer_;
};

/// Message boxes parented to a window, with the program's captions as given and the buttons in
/// Russian. A question carries the warning icon and has No as its default button; closing it
/// any other way than Yes or No counts as Cancel.
class QtNotifier final : public Notifier {
 public:
  explicit QtNotifier(QWidget* parent) : parent_(parent) {}
  void message(const std::string& text, const std::string& caption, MessageIcon icon) override;
  Answer ask(const std::string& text, const std::string& caption) override;

 private:
  QWidget* parent_;
};

/// A plain blocking wait on the user-interface thread, as short as the ECU needs.
class QtSleeper final : public Sleeper {
 public:
  void sleep(int ms) override;
};

/// What a test may hand a window in place of its real timer, message boxes and waits.
struct WindowServiceOverrides {
  WindowTimer* timer = nullptr;
  Notifier* notifier = nullptr;
  Sleeper* sleeper = nullptr;
};

/// The timer, message boxes and waits of one window: the overrides where given, else the
/// toolkit's own, owned here. `onTick` is what the window's own timer calls.
class DialogServices {
 public:
  DialogServices(QWidget* window, std::function<void()> onTick, WindowServiceOverrides overrides);
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

}  // namespace vortlen
