#include "settings_logic.h"

#include <gtest/gtest.h>

#include <climits>

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

}  // namespace
}  // namespace vortlen
