#pragma once

#include <QPoint>
#include <QSize>
#include <array>
#include <functional>
#include <span>
#include <vector>

#include "main_window_logic.h"
#include "record_view.h"

class QWidget;

namespace vortlen {

class AdjustmentWindows;
class AppChildWindows;
class Recorder;

/// What the child windows are opened with: the program's one port, its settings, the slider
/// windows that live as long as the main window, and the main window's place.
struct ChildWindowContext {
  SharedPort& port;
  SettingsStore& settings;
  AdjustmentWindows* adjustments = nullptr;
  const AppChildWindows* children = nullptr;
  Recorder* recorder = nullptr;        // the graph view records through it too
  std::function<EcuNames()> ecuNames;  // the exports of faults and passport, the graph view
};

/// One child window of the program: how the main window offers it, and how it opens over
/// `parent` (a modal one returns when it has closed).
struct ChildWindowRow {
  ChildWindowEntry entry;
  void (*open)(ChildWindowContext& context, QWidget* parent);
};

/// The program's child windows, each declared once. Adding a window is one row here and the
/// window's own folder.
extern const std::array<ChildWindowRow, 12> kChildWindowTable;

/// The child windows of the main window, opened from `kChildWindowTable`.
class AppChildWindows final : public ChildWindows {
 public:
  AppChildWindows(SharedPort& port, SettingsStore& settings);

  void setParent(QWidget* parent) { parent_ = parent; }
  /// The slider windows; they must outlive every opening, and the main window must outlive them.
  void setAdjustmentWindows(AdjustmentWindows& windows) { context_.adjustments = &windows; }
  /// The program's recorder, for the windows that poll live values.
  void setRecorder(Recorder& recorder) { context_.recorder = &recorder; }
  /// Where the exports take the ECU type and the engine from.
  void setEcuNames(std::function<EcuNames()> names) { context_.ecuNames = std::move(names); }

  std::span<const ChildWindowEntry> windows() const override { return entries_; }
  void open(const ChildWindowEntry& window) override;
  void runSettings(unsigned& portNumber) override;
  void mainWindowResized(int width, int height) override { mainClientSize_ = {width, height}; }
  void mainWindowMoved(int x, int y) override { mainPosition_ = {x, y}; }
  void playGraphRecording(const Recording& recording) override;
  std::vector<RecordLayout> graphRecordLayouts() const override;

  /// The main window's client size and position as last reported, for placing a window.
  QSize mainClientSize() const { return mainClientSize_; }
  QPoint mainPosition() const { return mainPosition_; }

 private:
  ChildWindowContext context_;
  std::vector<ChildWindowEntry> entries_;
  QWidget* parent_ = nullptr;
  QSize mainClientSize_;
  QPoint mainPosition_;
};

}  // namespace vortlen
