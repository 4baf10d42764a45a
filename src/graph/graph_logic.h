#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ecu_link.h"
#include "graph_sets.h"
#include "settings_store.h"
#include "settings_values.h"
#include "trace_history.h"
#include "window_services.h"

namespace vortlen {

struct GraphPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

/// What the graph view's window does when the logic asks.
class GraphView {
 public:
  virtual ~GraphView() = default;
  /// Show the captions, the values, the menu checks and the value cursors as they are now.
  virtual void pushTexts() = 0;
  /// Draw the surface from the logic's state (renderGraph).
  virtual void render() = 0;
  /// Write a link failure over the plot, centred on (x, y), in the big-text font.
  virtual void drawErrorText(std::string_view text, int x, int y) = 0;
  /// Copy the surface to the window (presentGraph).
  virtual void present() = 0;
  virtual void endDialog() = 0;
};

/// Sees every good answer of the graph view once its values are shown: a recording keeps it.
class GraphAnswerObserver {
 public:
  virtual ~GraphAnswerObserver() = default;
  /// `values` are the seven texts beside the bands, `answer` the bytes of set `set`'s answer.
  virtual void onGraphAnswer(int set, const std::array<std::string, kTraceCount>& values,
                             std::span<const std::uint8_t> answer) = 0;
};

/// The screen's vertex heights and what is drawn of them, plain numbers that the view paints.
/// All divisions are unsigned and truncate.
class GraphLogic {
 public:
  struct Services {
    SharedPort& port;
    WindowTimer& timer;
    Notifier& notifier;
    SettingsStore& settings;
    GraphView& view;
  };

  static constexpr int kPollPeriodMs = 90;

  /// Reads the settings and allocates the histories and vertices, `screenW` entries each.
  GraphLogic(Services services, int screenW, int screenH);
  /// Stops the timer and writes the seven settings.
  ~GraphLogic();
  GraphLogic(const GraphLogic&) = delete;
  GraphLogic& operator=(const GraphLogic&) = delete;

  /// The window is maximised and its client area is `clientW` × `clientH`: W, H7 and band.
  void setClientSize(int clientW, int clientH);
  /// The fonts and statics are in place: draw the grid, select the set, start polling.
  void start();
  void onTimer();
  /// Takes one answer of the active set as a good poll does: the traces move one sample, the
  /// values and the picture follow. A replay hands the recorded answers here.
  /// `draw` false only takes the sample in (a replay catching up).
  void showAnswer(std::span<const std::uint8_t> answer, bool draw = true);
  /// The traces start empty again, as after a set change.
  void restartTraces() { sampleCount_ = 0; }
  /// Every good answer of the polling also goes to `observer` (none: nullptr).
  void setObserver(GraphAnswerObserver* observer) { observer_ = observer; }
  /// While a replay runs the window sends nothing: the timer is stopped and the ticks ignored.
  void setPollingPaused(bool paused);
  bool pollingPaused() const { return pollingPaused_; }
  /// Makes graph set n (1..4) active, as its command does.
  void chooseSet(int number) {
    if (number != settings_.activeSet) selectSet(number);
  }
  void command(int id);
  /// A typed character; true when it was used ('-', '+', '=').
  bool onChar(char32_t character);
  void onValueClicked(std::size_t trace);

  // The steps of a tick, each usable alone.
  void computeX();
  void computeY();
  void renderGraph();
  void drawLinkError(LinkResult result);

  // What the view draws.
  int screenWidth() const { return screenW_; }
  int screenHeight() const { return screenH_; }
  int width() const { return W_; }
  int height7() const { return H7_; }
  int band() const { return band_; }
  std::uint32_t sampleCount() const { return sampleCount_; }
  std::uint32_t pointCount() const { return pointCount_; }
  const std::vector<GraphPoint>& points(std::size_t trace) const { return points_[trace]; }
  const TraceHistory& history() const { return history_; }
  std::uint8_t activeMask() const { return maskOverride_ ? 0 : activeMaskRef(); }
  bool enlarged(std::size_t trace) const { return (activeMaskRef() >> trace) & 1u; }
  const std::string& valueText(std::size_t trace) const { return values_[trace]; }
  const std::string& captionText(std::size_t trace) const { return captions_[trace]; }
  bool stopped() const { return stopped_; }
  bool blackOnWhite() const { return settings_.blackOnWhite; }
  int activeSet() const { return settings_.activeSet; }
  int lineLength() const { return settings_.lineLength; }
  const GraphSettings& settings() const { return settings_; }

 private:
  void selectSet(int number);
  void showNewest(std::span<const std::uint8_t> answer, bool draw = true);
  void renderAndPresentIfStopped();
  std::uint8_t activeMaskRef() const {
    return settings_.enlargedMask[static_cast<std::size_t>(settings_.activeSet - 1)];
  }

  Services services_;
  EcuLink link_;
  int screenW_;
  int screenH_;
  int W_ = 0;
  int H7_ = 0;
  int band_ = 0;
  TraceHistory history_;
  std::array<std::vector<GraphPoint>, kTraceCount> points_;
  std::uint32_t sampleCount_ = 0;
  std::uint32_t pointCount_ = 0;
  GraphSettings settings_;
  std::array<std::string, kTraceCount> values_;
  std::array<std::string, kTraceCount> captions_;
  bool stopped_ = false;
  bool maskOverride_ = false;  // the link-error frame shows no enlarged values
  GraphAnswerObserver* observer_ = nullptr;
  bool pollingPaused_ = false;
};

/// The help text of the graph view.
inline constexpr const char* kGraphHelpText =
    "Клавишами + или -, установите желаемую длину линий\r\n\r\nУвеличьте шрифт щелкнув по "
    "окошку с параметрами\r\n\r\nEsc - Выход";
inline constexpr const char* kGraphHelpCaption = " Вортлен 3  Help";

}  // namespace vortlen
