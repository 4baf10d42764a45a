#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <functional>

#include "main_window_logic.h"

class QWidget;

namespace vortlen {

/// The child windows of the main window, as the program has them. Each window plugs in an
/// opener; one that is not plugged in yet tells the user so instead of opening.
class AppChildWindows final : public ChildWindows {
 public:
  /// Opens the window over `parent`: a modal one returns when it has closed.
  using Opener = std::function<void(QWidget* parent)>;

  /// `notifier` tells the user about a window that is not there yet; none: a message box.
  explicit AppChildWindows(Notifier* notifier = nullptr) : notifier_(notifier) {}

  void setParent(QWidget* parent) { parent_ = parent; }
  void plugIn(ChildWindow window, Opener opener);

  void open(ChildWindow window) override;
  void runSettings(unsigned& portNumber) override;
  void mainWindowResized(int width, int height) override { mainClientSize_ = {width, height}; }
  void mainWindowMoved(int x, int y) override { mainPosition_ = {x, y}; }

  /// The main window's client size and position as last reported, for placing a window.
  QSize mainClientSize() const { return mainClientSize_; }
  QPoint mainPosition() const { return mainPosition_; }

 private:
  QWidget* parent_ = nullptr;
  Notifier* notifier_;
  QSize mainClientSize_;
  QPoint mainPosition_;
  std::array<Opener, 12> openers_;
};

/// The name the user knows a child window by.
QString childWindowName(ChildWindow window);

}  // namespace vortlen
