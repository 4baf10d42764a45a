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

std::string portChoiceText(const SharedPort::Description& port) {
  if (port.device.empty()) return "нет устройства";
  const std::string name = port.device.substr(port.device.find_last_of("/\\") + 1);
  const char* state = "";
  switch (port.state) {
    case PortError::None:
      // Only an open tells a free port from a busy one.
      state = port.inUse ? "открыт программой" : port.opened ? "свободен" : "доступен";
      break;
    case PortError::Missing:
      state = "не найден";
      break;
    case PortError::NoAccess:
      state = "нет доступа";
      break;
    case PortError::Busy:
      state = "занят";
      break;
    case PortError::NotSerial:
      state = "не порт";
      break;
  }
  return name + " — " + state;
}

}  // namespace vortlen
