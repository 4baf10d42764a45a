// Enter and Escape in every window of the program, on the offscreen platform against the
// simulated ECU. Each key does only what the window names for it, and the ECU hears exactly
// what that named action sends: nothing, the close box's bytes, or the default button's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "about_dialog.h"
#include "actuator_dialog.h"
#include "actuator_ids.h"
#include "adjustment_dialog.h"
#include "faults_dialog.h"
#include "fuel_tables_dialog.h"
#include "graph_dialog.h"
#include "main_dialog.h"
#include "passport_dialog.h"
#include "phase_test_dialog.h"
#include "services_ids.h"
#include "settings_dialog.h"
#include "simulated_bench.h"
#include "view_support.h"

namespace vortlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct NoChildren final : ChildWindows {
  std::span<const ChildWindowEntry> windows() const override { return {}; }
  void open(const ChildWindowEntry&) override {}
  void runSettings(unsigned&) override {}
};

// One opening of a window on a fresh bench.
struct World : test::SimulatedBench {
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::FakeSleeper sleeper;
  test::MemorySettings settings;
  test::FakePowerOff powerOff;
  NoChildren children;
  unsigned portNumber = 1;
  WindowServiceOverrides overrides{&timer, &notifier, &sleeper};
  std::shared_ptr<void> keep;  // what owns the window
  QWidget* window = nullptr;
  QWidget* focus = nullptr;  // where the key goes: the riskiest control of the window
};

enum class Does { Nothing, Close, PressDefault };

struct WindowRow {
  const char* name;
  std::function<void(World&)> open;
  Does enter;
  Does escape;
};

template <class T>
void own(World& world, std::shared_ptr<T> window, int focusId = 0) {
  world.keep = window;
  world.window = window.get();
  world.window->show();
  if (focusId) world.focus = findControl<QWidget>(world.window, focusId);
}

const WindowRow kWindows[] = {
    {"main",
     [](World& w) {
       auto main =
           std::make_shared<MainDialog>(w.port, w.settings, w.powerOff, w.children, w.overrides);
       main->startUp();
       own(w, main);
     },
     Does::Nothing, Does::Nothing},
    {"settings",
     [](World& w) { own(w, std::make_shared<SettingsDialog>(w.portNumber, nullptr, &w.port)); },
     Does::PressDefault, Does::Close},
    {"about", [](World& w) { own(w, std::make_shared<AboutDialog>()); }, Does::PressDefault,
     Does::Close},
    {"scheme", [](World& w) { own(w, std::make_shared<AdapterSchemeDialog>()); }, Does::Close,
     Does::Close},
    {"graph",
     [](World& w) {
       GraphDialogOverrides services;
       services.timer = &w.timer;
       services.notifier = &w.notifier;
       auto graph = std::make_shared<GraphDialog>(w.port, w.settings, nullptr, services);
       graph->startUp();
       own(w, graph);
     },
     Does::Nothing, Does::Close},
    {"passport",
     [](World& w) {
       own(w, std::make_shared<PassportDialog>(w.port, nullptr, w.overrides),
           ids::kFirstPassportField);
     },
     Does::Close, Does::Close},
    {"faults",
     [](World& w) {
       own(w, std::make_shared<FaultsDialog>(w.port, nullptr, w.overrides),
           ids::kClearFaultsButton);
     },
     Does::Close, Does::Close},
    {"fuel tables",
     [](World& w) {
       own(w, std::make_shared<FuelTablesDialog>(w.port, nullptr, w.overrides),
           ids::kZeroTableButtons[0]);
     },
     Does::PressDefault, Does::Close},
    {"actuators",
     [](World& w) {
       own(w, std::make_shared<ActuatorDialog>(w.port, w.settings, nullptr, w.overrides),
           ids::kBalanceStart);
     },
     Does::Close, Does::Close},
    {"phase test",
     [](World& w) {
       auto phase = std::make_shared<PhaseTestDialog>(w.port, nullptr, &w.timer);
       phase->startUp();
       own(w, phase);
     },
     Does::Nothing, Does::Close},
    // The slider windows run their close procedure on both keys, so no override stays active
    // behind a hidden window.
    {"coolant slider",
     [](World& w) {
       auto windows = std::make_shared<AdjustmentWindows>(w.port, &w.notifier);
       windows->open(AdjustmentKind::Coolant, nullptr, QSize(640, 480), QPoint());
       w.keep = windows;
       w.window = windows->window(AdjustmentKind::Coolant);
     },
     Does::Close, Does::Close},
    {"CO slider",
     [](World& w) {
       auto windows = std::make_shared<AdjustmentWindows>(w.port, &w.notifier);
       windows->open(AdjustmentKind::Co, nullptr, QSize(640, 480), QPoint());
       w.keep = windows;
       w.window = windows->window(AdjustmentKind::Co);
     },
     Does::Close, Does::Close},
};

// Opens the window, lets it settle, does `act`, and returns what the ECU heard meanwhile.
std::vector<Bytes> heardWhile(World& world, const WindowRow& row,
                              const std::function<void(World&)>& act) {
  row.open(world);
  QApplication::processEvents();
  const std::size_t before = world.ecu.requests().size();
  act(world);
  QApplication::processEvents();
  return {world.ecu.requests().begin() + static_cast<std::ptrdiff_t>(before),
          world.ecu.requests().end()};
}

void named(Does does, World& world) {
  if (does == Does::Close) world.window->close();
  if (does != Does::PressDefault) return;
  for (QPushButton* button : world.window->findChildren<QPushButton*>()) {
    if (button->isDefault()) return button->click();
  }
  ADD_FAILURE() << "no default button";
}

TEST(EnterEscapeTest, EveryWindowSendsOnlyWhatItNamesForEnterAndEscape) {
  for (const WindowRow& row : kWindows) {
    for (const auto& [key, does] :
         {std::pair{Qt::Key_Return, row.enter}, std::pair{Qt::Key_Escape, row.escape}}) {
      SCOPED_TRACE(std::string(row.name) + (key == Qt::Key_Return ? " Enter" : " Escape"));
      World byKey;
      bool openAfterKey = false;
      const std::vector<Bytes> keyed = heardWhile(byKey, row, [&](World& w) {
        QWidget* focus = w.focus ? w.focus : w.window->focusWidget();
        QTest::keyClick(focus ? focus : w.window, key);
        openAfterKey = w.window->isVisible();
      });
      World byName;
      const std::vector<Bytes> expected =
          heardWhile(byName, row, [&](World& w) { named(does, w); });
      EXPECT_EQ(keyed, expected);
      EXPECT_EQ(openAfterKey, does == Does::Nothing || byName.window->isVisible());
    }
  }
}

}  // namespace
}  // namespace vortlen
