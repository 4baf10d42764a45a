#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <memory>

#include "phase_test_logic.h"

namespace vortlen {

/// Draws the picture of a frame: the background of every tick, then the frame's texts and lines.
void drawPhasePicture(QImage& picture, const PhaseFrame& frame, const QFont& font);

/// The timing-phase test window (template 121). Its behaviour is PhaseTestLogic's.
class PhaseTestDialog final : public QDialog, private PhaseTestView {
 public:
  /// `timer`: a test's stand-in for the window's timer 1; none: the real one.
  PhaseTestDialog(SharedPort& port, QWidget* parent, WindowTimer* timer = nullptr);
  ~PhaseTestDialog() override;

  /// Shows the window, draws the grid and starts the polling.
  void startUp();
  int run();

  PhaseTestLogic& logic() { return *logic_; }
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void drawFrame(const PhaseFrame& frame) override;

  std::unique_ptr<WindowTimer> ownTimer_;
  QImage picture_;
  QFont font_;
  std::unique_ptr<PhaseTestLogic> logic_;
};

}  // namespace vortlen
