#include "graph_canvas.h"

#include <gtest/gtest.h>
#include <QPainter>

#include <random>

#include "graph_ids.h"
#include "graph_painter.h"
#include "scripted_ecu.h"
#include "view_support.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

// One logic drawn two ways: the whole frame every time, and a step at a time.
class TwoWayView final : public GraphView {
 public:
  TwoWayView(int screenW, int screenH, qreal dpr) : full(screenW, screenH, dpr), canvas(dpr) {}
  void pushTexts() override {}
  void render() override {
    full.renderGraph(*logic);
    canvas.render(*logic);
  }
  void drawErrorText(std::string_view text, int x, int y) override {
    const QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    full.drawText(message, x, y);
    canvas.addText(message, x, y);
  }
  void present() override {
    ++presents;
    full.presentGraph(*logic, expected);
    canvas.presentTo(*logic, shown);
  }
  void endDialog() override {}

  GraphLogic* logic = nullptr;
  GraphPainter full;
  GraphCanvas canvas;
  QImage expected;
  QImage shown;
  int presents = 0;
};

// The first pixel where the two pictures differ, or an empty text.
std::string firstDifference(const QImage& expected, const QImage& shown) {
  if (expected.size() != shown.size()) return "sizes differ";
  for (int y = 0; y < expected.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
    for (int x = 0; x < expected.width(); ++x) {
      if ((a[x] ^ b[x]) & 0xFFFFFFu) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%d, %d): %06X drawn a step at a time, %06X whole",
                      x, y, b[x] & 0xFFFFFFu, a[x] & 0xFFFFFFu);
        return text;
      }
    }
  }
  return {};
}

// A long random run of samples, failures, line lengths, sets, stops, masks and faces: after
// every event that shows the picture, it is the same as the frame drawn whole.
void runRandomSession(qreal dpr, int events, unsigned seed) {
  test::ScriptedEcu port;
  SharedPort shared(port);
  shared.openPort(1);
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
  settings.values = {{"График/LenLine", 17u}, {"График/MaxText1", 0x41u}};
  constexpr int kScreenW = 1000, kScreenH = 800;
  TwoWayView view(kScreenW, kScreenH, dpr);
  GraphLogic logic({shared, timer, notifier, settings, view}, kScreenW, kScreenH);
  view.logic = &logic;
  logic.setClientSize(900, 706);  // W 900, H7 700, band 100: the plot is 809 × 698
  view.full.setBigFont(largeValueFont(logic.band(), logic.band() / 3));
  view.canvas.setBigFont(largeValueFont(logic.band(), logic.band() / 3));
  const QSize device = GraphPainter::plotSize(logic) * dpr;
  view.expected = QImage(device, QImage::Format_RGB32);
  view.expected.setDevicePixelRatio(dpr);
  logic.start();

  std::mt19937 random(seed);
  const auto chance = [&random](int percent) {
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
  };
  std::vector<std::uint8_t> answer(10, 0);
  for (int event = 0; event < events; ++event) {
    const int presentsBefore = view.presents;
    std::string what;
    if (chance(8)) {
      what = "failure";
      port.silence();
      logic.onTimer();
    } else if (chance(5)) {
      what = "line length";
      logic.onChar(chance(50) ? U'-' : U'+');
    } else if (chance(2)) {
      what = "set";
      logic.command(ids::kGraphSetCommands[random() % 4]);
    } else if (chance(3)) {
      what = "stop";
      logic.command(ids::kCmdGraphStop);
    } else if (chance(5)) {
      what = "mask";
      logic.onValueClicked(random() % kTraceCount);
    } else if (chance(3)) {
      what = "face";
      logic.command(chance(50) ? ids::kCmdBlackOnWhite : ids::kCmdWhiteOnBlack);
    } else {
      what = "sample";
      // Values wander, sometimes stand still, sometimes leap past the top of the strip.
      for (auto& byte : answer) {
        if (chance(10)) {
          byte = static_cast<std::uint8_t>(random());
        } else if (!chance(30)) {
          byte = static_cast<std::uint8_t>(byte + static_cast<int>(random() % 9) - 4);
        }
      }
      port.answer(answer);
      if (logic.stopped()) logic.command(ids::kCmdGraphStop);
      logic.onTimer();
    }
    if (view.presents == presentsBefore) continue;
    const std::string difference = firstDifference(view.expected, view.shown);
    ASSERT_EQ(difference, "") << "event " << event << " (" << what << "), LenLine "
                              << logic.lineLength() << ", " << logic.pointCount() << " points";
  }
}

TEST(GraphCanvasTest, EveryStepShowsTheFrameDrawnWhole) {
  runRandomSession(1.0, 3000, 15);
}

TEST(GraphCanvasTest, EveryStepShowsTheFrameDrawnWholeAtTwiceTheResolution) {
  runRandomSession(2.0, 600, 16);
}

// At a device pixel ratio of 2 a one-pixel trace is two device pixels wide and its edges are
// sharp: nothing is blown up from a picture at half the resolution.
TEST(GraphCanvasTest, TwiceTheResolutionDrawsTheDevicesPixels) {
  test::ScriptedEcu port;
  SharedPort shared(port);
  shared.openPort(1);
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::MemorySettings settings;
  settings.values = {{"График/LenLine", 10u}, {"График/Face", 0u}};
  TwoWayView view(1000, 800, 2.0);
  GraphLogic logic({shared, timer, notifier, settings, view}, 1000, 800);
  view.logic = &logic;
  logic.setClientSize(700, 355);
  view.expected = QImage(GraphPainter::plotSize(logic) * 2, QImage::Format_RGB32);
  logic.start();
  for (int i = 0; i < 3; ++i) {
    port.answer({0xE8, 0x03, 0, 0, 0, 0, 0, 0});  // trace 0 at 1000 of 2000: y = 47 − 23 = 24
    logic.onTimer();
  }
  ASSERT_EQ(view.shown.size(), QSize(1258, 696));
  const auto at = [&view](int x, int y) { return view.shown.pixel(x, y) & 0xFFFFFFu; };
  EXPECT_EQ(at(10, 47), 0xFFFFFFu);
  EXPECT_EQ(at(10, 48), 0xFFFFFFu);
  EXPECT_EQ(at(10, 46), 0x000000u);
  EXPECT_EQ(at(10, 49), 0x000000u);
  // The band separator at logical rows 48 and 49 is four device rows.
  for (const int y : {95, 96, 97, 98, 99}) {
    EXPECT_EQ(at(300, y), y < 96 ? 0x000000u : 0xC8C880u) << "row " << y;
  }
}

}  // namespace
}  // namespace vortlen
