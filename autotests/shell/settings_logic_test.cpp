#include "settings_logic.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace vortlen {
namespace {

TEST(SettingsDialogLogic, ShowSelectsThePortAndTurnsAnInvalidOneIntoPortOne) {
  const struct {
    unsigned stored, shown;
  } cases[] = {{1, 1}, {2, 2}, {4, 4}, {0, 1}, {5, 1}, {7, 1}, {UINT_MAX, 1}};
  for (const auto& c : cases) {
    unsigned portNumber = c.stored;
    SettingsDialogLogic logic(portNumber);
    // The correction happens on show, so even a cancelled dialog leaves it behind.
    EXPECT_EQ(logic.onShow(), static_cast<int>(1054 + c.shown)) << c.stored;
    EXPECT_EQ(portNumber, c.shown) << c.stored;
  }
}

TEST(SettingsDialogLogic, OkTakesThePortOfAPortButtonOnly) {
  unsigned portNumber = 2;
  SettingsDialogLogic logic(portNumber);
  logic.onOk(1057);
  EXPECT_EQ(portNumber, 3u);
  for (int id : {-1, 2, 1054, 1059}) logic.onOk(id);
  EXPECT_EQ(portNumber, 3u);
  logic.onOk(1058);
  EXPECT_EQ(portNumber, 4u);
}

#ifndef _WIN32
// A port that counts its opens; a failed open says busy, as only an open can.
class CountingPort final : public SerialPort {
 public:
  bool open(const char*) override {
    ++opens;
    open_ = succeeds;
    return open_;
  }
  PortError openError() const override { return open_ ? PortError::None : PortError::Busy; }
  bool isOpen() const override { return open_; }
  void close() override { open_ = false; }
  void purge() override {}
  std::size_t write(const std::uint8_t*, std::size_t) override { return 0; }
  std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
  int opens = 0;
  bool succeeds = true;

 private:
  bool open_ = false;
};

TEST(PortChoiceText, EveryComNumberIsToldWithoutOpeningAnyPort) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("vortlen3-choices-" + std::to_string(getpid()));
  fs::create_directories(root);
  std::ofstream(root / "plain").put('\0');
  ::setenv("VORTLEN3_COM1", "/dev/null", 1);
  ::setenv("VORTLEN3_COM2", (root / "gone").c_str(), 1);
  ::setenv("VORTLEN3_COM3", (root / "plain").c_str(), 1);
  ::unsetenv("VORTLEN3_COM4");
  CountingPort device;
  SharedPort port(device);
  port.setDeviceRoots({(root / "by-id").string(), (root / "sys").string(), root.string()});
  auto texts = [&port] {
    std::vector<std::string> shown;
    for (unsigned n = 1; n <= 4; ++n) shown.push_back(portChoiceText(port.describe(n)));
    return shown;
  };
  EXPECT_EQ(texts(), (std::vector<std::string>{"null — доступен", "gone — не найден",
                                               "plain — не порт", "нет устройства"}));
  EXPECT_EQ(device.opens, 0);

  // Only the program's own opens of the port tell more: in use, free once closed, busy.
  ASSERT_TRUE(port.openPort(1));
  EXPECT_EQ(texts()[0], "null — открыт программой");
  port.close();
  EXPECT_EQ(texts()[0], "null — свободен");
  device.succeeds = false;
  port.openPort(1);
  EXPECT_EQ(texts(), (std::vector<std::string>{"null — занят", "gone — не найден",
                                               "plain — не порт", "нет устройства"}));
  EXPECT_EQ(device.opens, 2);
  for (const char* name : {"VORTLEN3_COM1", "VORTLEN3_COM2", "VORTLEN3_COM3"}) ::unsetenv(name);
  fs::remove_all(root);
}
#endif

}  // namespace
}  // namespace vortlen
