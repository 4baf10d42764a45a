// Every number every window shows, formatted under a locale with a decimal comma: the texts
// must not change with the user's locale (a Russian desktop's "0,562" beside the main window's
// "0.125").
#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "actuator_logic.h"
#include "adapter_model.h"
#include "adjustment_logic.h"
#include "ecu_model.h"
#include "fuel_tables_logic.h"
#include "graph_sets.h"
#include "parameter_catalogue.h"
#include "phase_test_logic.h"
#include "simulated_port.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

// ru_RU.UTF-8 as the system has it, or built into a folder of the test's own.
class CommaLocale {
 public:
  CommaLocale() : previous_(std::setlocale(LC_ALL, nullptr)) {
    if (use("ru_RU.UTF-8") || use("ru_RU.utf8")) return;
    std::filesystem::create_directories(folder_);
    const std::string command =
        "localedef -i ru_RU -f UTF-8 '" + (folder_ / "ru_RU.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    ::setenv("LOCPATH", folder_.c_str(), 1);
    use("ru_RU.UTF-8");
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, previous_.c_str());
    ::unsetenv("LOCPATH");
    std::filesystem::remove_all(folder_);
  }
  bool active() const { return active_; }

 private:
  bool use(const char* name) {
    active_ = std::setlocale(LC_ALL, name) != nullptr && *std::localeconv()->decimal_point == ',';
    return active_;
  }
  std::string previous_;
  std::filesystem::path folder_ =
      std::filesystem::temp_directory_path() / ("vortlen3-ru-" + std::to_string(getpid()));
  bool active_ = false;
};

struct FakeActuatorView final : ActuatorView {
  void refresh() override {}
  void showChecks() override {}
  void showBalanceTexts() override {}
  void messageAfterTick(const std::string&, const std::string&, MessageIcon) override {}
};

TEST(LocaleTest, NoWindowShowsADecimalComma) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma could be had";
  std::vector<std::string> texts;

  // The main window: every set, every byte value in every position.
  for (int set = 1; set <= 5; ++set) {
    for (int raw = 0; raw < 256; raw += 3) {
      const std::vector<std::uint8_t> answer(40, static_cast<std::uint8_t>(raw));
      for (const std::string& text : decodeSetAnswer(set, answer).texts) texts.push_back(text);
    }
  }
  // The graph view, the fuel tables and the timing-phase test.
  for (std::uint32_t raw = 0; raw < 0x10000; raw += 97) {
    for (int rule = 0; rule <= static_cast<int>(TraceText::Volts); ++rule) {
      texts.push_back(traceText(static_cast<TraceText>(rule), raw));
    }
  }
  for (int raw = 0; raw < 256; ++raw) {
    const auto byte = static_cast<std::uint8_t>(raw);
    texts.push_back(fuelCellText(byte));
    const std::uint8_t answer[5] = {byte, byte, byte, byte, byte};
    for (const std::string& text : phaseFrame(answer).values) texts.push_back(text);
  }
  // The slider windows at every position, and the actuator window's monitor.
  sim::EcuModel ecu;
  sim::AdapterModel adapter(ecu);
  sim::SimulatedPort device(adapter);
  SharedPort port(device);
  device.setDeviceExists(comDevicePath(1), true);
  ASSERT_TRUE(port.openPort(1));
  test::FakeNotifier notifier;
  std::uint8_t mask = 0;
  for (const AdjustmentKind kind : {AdjustmentKind::Co, AdjustmentKind::Ignition,
                                    AdjustmentKind::Coolant, AdjustmentKind::IdleValve}) {
    AdjustmentLogic logic(kind, port, notifier, mask);
    for (int slider = 0; slider < logic.traits().sliderCount; ++slider) {
      const SliderRange& range = logic.traits().ranges[static_cast<std::size_t>(slider)];
      for (int position = range.min; position <= range.max; ++position) {
        logic.setPosition(slider, position);
        texts.push_back(logic.valueText(slider));
      }
    }
  }
  test::FakeTimer timer;
  test::FakeSleeper sleeper;
  test::MemorySettings settings;
  FakeActuatorView view;
  ActuatorLogic actuators({port, timer, notifier, sleeper, settings, view});
  actuators.initialise();
  actuators.onShow();
  actuators.onTimer();
  texts.push_back(actuators.display().coolantText);
  texts.push_back(actuators.display().speedText);
  for (const std::string& text : actuators.display().balanceTexts) texts.push_back(text);

  int points = 0;
  for (const std::string& text : texts) {
    EXPECT_EQ(text.find(','), std::string::npos) << text;
    points += text.find('.') != std::string::npos;
  }
  EXPECT_GT(points, 1000) << "the fractions kept their decimal point";
  EXPECT_EQ(fuelCellText(0x90), "1.062");
  EXPECT_EQ(traceText(TraceText::HalfDegrees, 21), "10.5");
}

}  // namespace
}  // namespace vortlen
