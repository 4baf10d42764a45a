#pragma once

#include "main_window_logic.h"

namespace vortlen::test {

/// Counts what the logic asks of the main window's view.
struct FakeMainView final : MainView {
  void pushTexts() override { ++pushes; }
  void refreshIndicators() override { ++refreshes; }
  void setChanged() override { ++setChanges; }
  void endDialog() override { ++ends; }
  int pushes = 0;
  int refreshes = 0;
  int setChanges = 0;
  int ends = 0;
};

}  // namespace vortlen::test
