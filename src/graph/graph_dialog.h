#pragma once

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <array>
#include <functional>
#include <memory>

#include "graph_canvas.h"
#include "graph_logic.h"
#include "qt_window_services.h"
#include "record_view.h"

class QAction;
class QMenuBar;

namespace vortlen {

class GraphRecordFeed;
class GraphReplay;
class QtWindowTimer;
class Recorder;
class RecordIndicator;
struct Recording;

/// Services a test may replace; the empty ones are the real timer and message boxes.
struct GraphDialogOverrides {
  WindowTimer* timer = nullptr;
  Notifier* notifier = nullptr;
  QSize screen;                          // empty: the primary screen's size
  Recorder* recorder = nullptr;          // none: «Запись» does nothing
  std::function<EcuNames()> ecuNames{};  // for the recording's file name and the picture's caption
};

/// The full-screen graph view. Its behaviour is GraphLogic's; this class draws and forwards.
class GraphDialog final : public QDialog, private GraphView {
 public:
  GraphDialog(SharedPort& port, SettingsStore& settings, QWidget* parent,
              GraphDialogOverrides overrides = {});
  ~GraphDialog() override;

  /// Maximise, lay out the statics from the client size and start polling.
  void startUp();
  /// startUp, then run modally until the window closes.
  int run();

  GraphLogic& logic() { return *logic_; }
  /// The picture of the plot; empty before startUp.
  GraphCanvas* canvas() const { return canvas_.get(); }
  /// Where the plot is shown, (W − W/10 − 1) × (H7 − 2) at x = trunc(W × 0.1).
  QWidget* plot() const { return plot_; }
  QAction* commandAction(int id) const;
  QWidget* clientArea() const { return client_; }

  /// Starts or stops the recording (Ctrl+R).
  void toggleRecording();
  /// The window as it is on the screen, captions and values included.
  QImage picture() const;
  /// picture() under a caption band: the date and time, the ECU type and engine, the set, and
  /// each trace's vertical scale (the values at the bottom and the top of its band).
  QImage captionedPicture() const;
  /// Saves captionedPicture() as PNG where the user says (Ctrl+S).
  void savePicture();
  /// Asks for a graph recording and plays it (Ctrl+O).
  void openRecordingCommand();
  /// Plays a graph recording here: the polling pauses until Escape ends the replay.
  void playRecording(Recording recording);
  void endReplay();
  bool replaying() const;
  GraphReplay* replay() const { return replay_.get(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // GraphView
  void pushTexts() override;
  void render() override;
  void drawErrorText(std::string_view text, int x, int y) override;
  void present() override;
  void endDialog() override;

  void buildMenu(QMenuBar* menuBar);
  void placeControls();
  void showChecks();

  std::unique_ptr<DialogServices> services_;
  std::unique_ptr<GraphCanvas> canvas_;
  std::unique_ptr<GraphLogic> logic_;
  QWidget* client_ = nullptr;
  QWidget* plot_ = nullptr;
  std::array<QLabel*, kTraceCount> captions_{};
  std::array<QLabel*, kTraceCount> values_{};
  std::vector<std::pair<int, QAction*>> actions_;
  QCursor enlargeCursor_;
  QCursor shrinkCursor_;
  std::array<int, kTraceCount> cursorShown_{-1, -1, -1, -1, -1, -1, -1};  // -1: none set yet
  Recorder* recorder_ = nullptr;
  std::unique_ptr<GraphRecordFeed> recordFeed_;
  std::function<EcuNames()> ecuNames_;
  RecordIndicator* indicator_ = nullptr;
  QAction* recordAction_ = nullptr;
  std::unique_ptr<QtWindowTimer> replayTimer_;
  std::unique_ptr<GraphReplay> replay_;
};

}  // namespace vortlen
