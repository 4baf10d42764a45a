#pragma once

#include <QDialog>
#include <QLabel>
#include <array>
#include <functional>
#include <memory>

#include "main_window_logic.h"
#include "qt_window_services.h"
#include "recording_file.h"

class QAction;
class QUrl;
class QTimer;
class QMenuBar;
class QProgressBar;

namespace vortlen {

class MainReplay;
class MainRecordFeed;
class Recorder;
class RecordIndicator;
class QtWindowTimer;

/// A static text that reports clicks.
class ValueField final : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

/// The main window: the live display, the menu and the accelerators. Its behaviour is
/// MainWindowLogic's; this class only shows the logic's state and forwards events.
class MainDialog final : public QDialog, private MainView {
 public:
  /// With a `recorder`, «Запись» records the live values and «Открыть запись…» plays one back.
  MainDialog(SharedPort& port, SettingsStore& settings, PowerOff& powerOff, ChildWindows& children,
             WindowServiceOverrides overrides = {}, Recorder* recorder = nullptr);
  ~MainDialog() override;

  /// Size, place and show the window as the settings say, then run the start-up; the program
  /// calls it as the first thing its event loop does. Does nothing once the window has ended.
  void startUp();

  MainWindowLogic& logic() { return *logic_; }
  QAction* commandAction(int id) const;
  QWidget* clientArea() const { return client_; }

  /// Starts or stops the recording («Запись», Ctrl+R).
  void toggleRecording();
  /// Asks for a recording and plays it («Открыть запись…», Ctrl+O).
  void openRecordingCommand();
  /// Plays a main-window recording in this window: the polling stops until the replay ends.
  void playRecording(Recording recording);
  /// Ends a replay (Escape); the live polling resumes.
  void endReplay();
  bool replaying() const;
  MainReplay* replay() const { return replay_.get(); }

  /// What «Руководство» opens the guide's page with; the desktop's browser by default.
  void setUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }

  /// Ends the dialog once: the exit runs before the window goes.
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // MainView
  void pushTexts() override;
  void refreshIndicators() override;
  void setChanged() override;
  void endDialog() override;

  void buildMenu();
  void showActiveSet();
  void reportClientOrigin();
  void fitFrame();
  void fitMenuTitles();
  void buildControls();
  void layoutControls();
  std::uint32_t currentShowState() const;

  ChildWindows& children_;
  std::unique_ptr<DialogServices> services_;
  std::unique_ptr<MainWindowLogic> logic_;

  QMenuBar* menuBar_ = nullptr;
  QWidget* client_ = nullptr;
  std::array<QLabel*, 2> headers_{};
  std::array<QLabel*, 8> captions_{};
  std::array<ValueField*, 8> values_{};
  std::array<QProgressBar*, 8> bars_{};
  std::array<QLabel*, 16> flags_{};
  std::array<QLabel*, 4> cylinders_{};
  std::array<bool, 16> flagLit_{};
  std::array<bool, 4> cylinderLit_{};
  bool headerFailing_ = false;
  std::array<QAction*, 5> setActions_{};
  std::vector<std::pair<int, QAction*>> actions_;
  bool started_ = false;
  bool ended_ = false;
  QRect framePlace_;  // where the whole window goes, until its frame is known

  Recorder* recorder_ = nullptr;
  std::unique_ptr<MainRecordFeed> recordFeed_;
  RecordIndicator* indicator_ = nullptr;
  QAction* recordAction_ = nullptr;
  std::unique_ptr<QtWindowTimer> replayTimer_;
  std::unique_ptr<MainReplay> replay_;
  std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace vortlen
