// One tick of the graph view at 1920 × 1080 with the history full: the answer taken in, the vertex
// heights, the trace layer moved on by one step, and the window's image (black on white, as the
// view opens) moved and painted again where it changed, as the window's own is. The
// transaction goes to an in-memory ECU and costs a few microseconds.
#include <benchmark/benchmark.h>
#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graph_canvas.h"
#include "graph_ids.h"
#include "graph_logic.h"
#include "graph_painter.h"
#include "scripted_ecu.h"
#include "view_support.h"
#include "window_fakes.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kScreenW = 1920;
constexpr int kScreenH = 1080;
constexpr int kClientH = 1080 - 24;  // under a menu bar of 24 pixels

class PaintingView final : public vortlen::GraphView {
 public:
  void pushTexts() override {}
  void render() override { canvas->render(*logic); }
  void drawErrorText(std::string_view, int, int) override {}
  void present() override { canvas->presentTo(*logic, *presented); }
  void endDialog() override {}

  vortlen::GraphLogic* logic = nullptr;
  vortlen::GraphCanvas* canvas = nullptr;
  QImage* presented = nullptr;
};

void renderAndPresent(benchmark::State& state) {
  const auto lineLength = static_cast<std::uint32_t>(state.range(0));
  const auto mask = static_cast<std::uint32_t>(state.range(1));
  vortlen::test::ScriptedEcu port;
  vortlen::SharedPort shared(port);
  shared.openPort(1);
  vortlen::test::FakeTimer timer;
  vortlen::test::FakeNotifier notifier;
  vortlen::test::MemorySettings settings;
  settings.values = {{"График/LenLine", lineLength}, {"График/MaxText1", mask}};
  PaintingView view;
  vortlen::GraphCanvas canvas;
  vortlen::GraphLogic logic({shared, timer, notifier, settings, view}, kScreenW, kScreenH);
  view.logic = &logic;
  view.canvas = &canvas;
  logic.setClientSize(kScreenW, kClientH);
  canvas.setBigFont(vortlen::largeValueFont(logic.band(), logic.band() / 3));
  QImage presented(vortlen::GraphPainter::plotSize(logic), QImage::Format_RGB32);
  view.presented = &presented;
  logic.start();
  // A full screen of moving values: every trace wanders over its strip.
  int sample = 0;
  const auto answerNext = [&port, &sample] {
    const double phase = sample++ / 15.0;
    const auto wave = [phase](double scale, double shift) {
      return static_cast<std::uint8_t>(scale * (1.0 + std::sin(phase + shift)) / 2.0);
    };
    const std::uint16_t pressure = static_cast<std::uint16_t>(300 + 400 * (1 + std::sin(phase)));
    port.answer({static_cast<std::uint8_t>(pressure), static_cast<std::uint8_t>(pressure >> 8),
                 wave(120, 1), wave(60, 2), wave(20, 3), wave(20, 4), wave(20, 5), wave(20, 6)});
  };
  for (int i = 0; i < kScreenW; ++i) {
    answerNext();
    logic.onTimer();
  }

  std::vector<double> times;
  for (auto _ : state) {
    answerNext();
    const auto start = Clock::now();
    logic.onTimer();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    port.requests.clear();
  }
  std::sort(times.begin(), times.end());
  state.counters["median_ms"] = times[times.size() / 2];
  state.counters["points_per_trace"] = logic.pointCount();
}

}  // namespace

BENCHMARK(renderAndPresent)
    ->ArgNames({"LenLine", "MaxText"})
    ->ArgsProduct({{1, 4, 20}, {0, 0x7F}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
