#include "settings_logic.h"

#include "resource_ids.h"

namespace vortlen {

namespace {
constexpr unsigned kPortCount = 4;
constexpr int kRadioBase = ids::kFirstPortRadio - 1;
}  // namespace

int SettingsDialogLogic::onShow() {
  if (portNumber_ == 0 || portNumber_ > kPortCount) portNumber_ = 1;
  return kRadioBase + static_cast<int>(portNumber_);
}

void SettingsDialogLogic::onOk(int checkedRadioId) {
  if (checkedRadioId < ids::kFirstPortRadio ||
      checkedRadioId >= ids::kFirstPortRadio + static_cast<int>(kPortCount)) {
    return;
  }
  portNumber_ = static_cast<unsigned>(checkedRadioId - kRadioBase);
}

}  // namespace vortlen
