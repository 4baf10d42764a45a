#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

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

}  // namespace vortlen
