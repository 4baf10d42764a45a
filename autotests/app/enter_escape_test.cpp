// Enter and Escape in every window of the program, offscreen against the simulated ECU: each
// key does only what the window names for it, and the ECU hears exactly what that named action
// sends (nothing, the close box's bytes, or the default button's).
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

struct NoChildren final : ChildWindows {
  std::span<const ChildWindowEntry> windows() const override { return {}; }
  void open(const ChildWindowEntry&) override {}
  void runSettings(unsigned&) override {}
};

// A fresh bench for one opening of a window.
struct World : test::SimulatedBench {
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::FakeSleeper sleeper;
  test::MemorySettings settings;
  test::FakePowerOff powerOff;
  NoChildren children;
  unsigned portNumber = 1;
  WindowServiceOverrides overrides{&timer, &notifier, &sleeper};
};

enum class Does { Nothing, Close, PressDefault };
using Opened = std::shared_ptr<QWidget>;

struct WindowRow {
  const char* name;
  Does enter;
  Does escape;
  int focusId;  // the control with the focus when the key comes, the riskiest; 0: the window's
  std::function<Opened(World&)> open;
};

template <class Dialog>
Opened started(std::shared_ptr<Dialog> dialog) {
  dialog->startUp();
  return dialog;
}

const WindowRow kWindows[] = {
    {"main", Does::Nothing, Does::Nothing, 0,
     [](World& w) {
       return started(
           std::make_shared<MainDialog>(w.port, w.settings, w.powerOff, w.children, w.overrides));
     }},
    {"settings", Does::PressDefault, Does::Close, 0,
     [](World& w) { return std::make_shared<SettingsDialog>(w.portNumber, nullptr, &w.port); }},
    {"about", Does::PressDefault, Does::Close, 0,
     [](World&) { return std::make_shared<AboutDialog>(); }},
    {"scheme", Does::Close, Does::Close, 0,
     [](World&) { return std::make_shared<AdapterSchemeDialog>(); }},
    {"graph", Does::Nothing, Does::Close, 0,
     [](World& w) {
       GraphDialogOverrides services;
       services.timer = &w.timer;
       services.notifier = &w.notifier;
       return started(std::make_shared<GraphDialog>(w.port, w.settings, nullptr, services));
     }},
    {"passport", Does::Close, Does::Close, ids::kFirstPassportField,
     [](World& w) { return std::make_shared<PassportDialog>(w.port, nullptr, w.overrides); }},
    {"faults", Does::Close, Does::Close, ids::kClearFaultsButton,
     [](World& w) { return std::make_shared<FaultsDialog>(w.port, nullptr, w.overrides); }},
    {"fuel tables", Does::PressDefault, Does::Close, ids::kZeroTableButtons[0],
     [](World& w) { return std::make_shared<FuelTablesDialog>(w.port, nullptr, w.overrides); }},
    {"actuators", Does::Close, Does::Close, ids::kBalanceStart,
     [](World& w) {
       return std::make_shared<ActuatorDialog>(w.port, w.settings, nullptr, w.overrides);
     }},
    {"phase test", Does::Nothing, Does::Close, 0,
     [](World& w) {
       return started(std::make_shared<PhaseTestDialog>(w.port, nullptr, &w.timer));
     }},
    // Both keys run the slider window's close procedure: no override stays active behind it.
    {"coolant slider", Does::Close, Does::Close, 0,
     [](World& w) {
       auto windows = std::make_shared<AdjustmentWindows>(w.port, &w.notifier);
       windows->open(AdjustmentKind::Coolant, nullptr, QSize(640, 480), QPoint());
       return Opened(windows, windows->window(AdjustmentKind::Coolant));
     }},
};

// The default push button, as the window is built (a focused push button may take its part
// later).
QPushButton* defaultButton(QWidget* window) {
  for (QPushButton* button : window->findChildren<QPushButton*>()) {
    if (button->isDefault()) return button;
  }
  return nullptr;
}

// Opens the window with the row's focus, lets it settle, does `act` (handed the window, the
// focused control and the default button), and returns what the ECU heard meanwhile and
// whether the window is still open.
std::pair<std::vector<std::vector<std::uint8_t>>, bool> heardWhile(
    const WindowRow& row, const std::function<void(QWidget*, QWidget*, QPushButton*)>& act) {
  World world;
  const Opened window = row.open(world);
  QPushButton* const byDefault = defaultButton(window.get());
  window->show();
  QWidget* focus = row.focusId ? findControl<QWidget>(window.get(), row.focusId) : nullptr;
  if (focus) focus->setFocus();
  QApplication::processEvents();
  const std::size_t before = world.ecu.requests().size();
  act(window.get(), focus ? focus : window->focusWidget(), byDefault);
  QApplication::processEvents();
  return {{world.ecu.requests().begin() + static_cast<std::ptrdiff_t>(before),
           world.ecu.requests().end()},
          window->isVisible()};
}

TEST(EnterEscapeTest, EveryWindowSendsOnlyWhatItNamesForEnterAndEscape) {
  for (const WindowRow& row : kWindows) {
    for (const auto& [key, does] :
         {std::pair{Qt::Key_Return, row.enter}, std::pair{Qt::Key_Escape, row.escape}}) {
      SCOPED_TRACE(std::string(row.name) + (key == Qt::Key_Return ? " Enter" : " Escape"));
      const auto byKey = heardWhile(row, [key = key](QWidget* window, QWidget* focus, auto) {
        QTest::keyClick(focus ? focus : window, key);
      });
      const auto byName = heardWhile(row, [does = does](QWidget* window, QWidget*, auto button) {
        if (does == Does::Close) window->close();
        if (does == Does::PressDefault) button->click();
      });
      EXPECT_EQ(byKey, byName);
    }
  }
}

}  // namespace
}  // namespace vortlen
