#pragma once

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <QSlider>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "adjustment_logic.h"
#include "main_window_logic.h"

class QLabel;

namespace vortlen {

/// A slider that reports the moment the user lets go of it with the mouse: after dragging the
/// handle and after a click in its channel alike. Keyboard moves report nothing. A click in the
/// channel moves the handle a page towards the click at once, as the mechanics know it from
/// their trackbars (the toolkit's own slider only starts paging when the button is held).
class ReleaseSlider final : public QSlider {
 public:
  using QSlider::QSlider;
  std::function<void()> onRelease;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

/// One modeless slider window. Its behaviour is AdjustmentLogic's; Enter, Escape and the
/// caption's close button all run the same close procedure, so an override is never left
/// active in the ECU behind a hidden window.
class AdjustmentDialog final : public QDialog {
 public:
  /// `notifier`: none means message boxes over this window.
  AdjustmentDialog(AdjustmentKind kind, SharedPort& port, std::uint8_t& overrideMask,
                   QWidget* parent, Notifier* notifier = nullptr);
  ~AdjustmentDialog() override;

  /// Shows the window: a hidden one re-reads the ECU and places itself from the main window's
  /// client size and position first; one already shown only takes the focus.
  void open(QSize ownerClientSize, QPoint ownerPosition);

  AdjustmentLogic& logic() { return *logic_; }
  ReleaseSlider* slider(int index) const { return sliders_.at(static_cast<std::size_t>(index)); }
  QLabel* valueField(int index) const { return fields_.at(static_cast<std::size_t>(index)); }
  /// The line below the sliders that says when the override went away by itself.
  QLabel* noticeLine() const { return notice_; }

  /// The close procedure; hides the window unless the user cancelled.
  void closeProcedure();

  void reject() override;
  void accept() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void pushPositions();
  void pushText(int index);
  void pushNotice();

  std::unique_ptr<Notifier> ownNotifier_;
  std::unique_ptr<AdjustmentLogic> logic_;
  std::array<ReleaseSlider*, 2> sliders_{};
  std::array<QLabel*, 2> fields_{};
  QLabel* notice_ = nullptr;
  QSize clientSize_;
  bool pushing_ = false;
};

/// The four slider windows of the program, each created on its first opening and kept, hidden,
/// after it is closed; they share the one override mask. Destroying this object destroys the
/// windows without their close procedure (the main window's exit releases the ECU).
class AdjustmentWindows {
 public:
  explicit AdjustmentWindows(SharedPort& port, Notifier* notifier = nullptr)
      : port_(port), notifier_(notifier) {}
  ~AdjustmentWindows();
  AdjustmentWindows(const AdjustmentWindows&) = delete;
  AdjustmentWindows& operator=(const AdjustmentWindows&) = delete;

  void open(AdjustmentKind kind, QWidget* parent, QSize ownerClientSize, QPoint ownerPosition);

  /// The window of `kind`, or nullptr before its first opening.
  AdjustmentDialog* window(AdjustmentKind kind) const {
    return windows_.at(static_cast<std::size_t>(kind)).get();
  }
  std::uint8_t overrideMask() const { return overrideMask_; }

 private:
  SharedPort& port_;
  Notifier* notifier_;
  std::uint8_t overrideMask_ = 0;
  std::array<std::unique_ptr<AdjustmentDialog>, 4> windows_;
};

}  // namespace vortlen
