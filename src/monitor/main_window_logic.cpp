#include "main_window_logic.h"

#include <cstdio>

#include "ecu_services.h"
#include "mul_div.h"
#include "release_check.h"
#include "resource_ids.h"
#include "settings_values.h"

namespace vortlen {

namespace {

// "СОМ" in these texts is written in Cyrillic letters.
const std::string kNoPortText =
    "На вашем компьютере свободных \u0421\u041e\u041c портов не найдено ";
const std::string kBusyPortPrefix = "Порт \u0421\u041e\u041c";
const std::string kBusyPortSuffix = " занят или не существует,\r\nнеобходимо выбрать другой ";
const std::string kResettingText = "Перезагрузка ЭБУ";
const std::string kRefusalPrefix = "ЭБУ не может выполнить операцию, номер ошибки ";

constexpr std::uint8_t kResetRequest[] = {ecu::kReset, 0x00, 0x00};

constexpr int kFirstTickMs = 1;
constexpr int kAfterChildMs = 90;
constexpr int kAfterResetMs = 2000;
constexpr int kBeforeReleaseMs = 100;

// The real divisors of the layout: the whole expression is truncated toward zero.
int truncated(double value) {
  return static_cast<int>(value);
}

}  // namespace

MainLayout layoutMainWindow(int W, int H) {
  MainLayout layout;
  layout.captionFont = {H / 30, W / 130};
  layout.valueFont = {H / 16, W / 70};
  layout.flagFont = {H / 24, W / 105};

  layout.header1030 = {truncated(W - W / 3.7), 10, W / 4, H / 22};
  layout.header1031 = {truncated(W - W / 2.2), 10, W / 6, H / 22};
  for (int n = 1; n <= 8; ++n) {
    const auto slot = static_cast<std::size_t>(n - 1);
    layout.values[slot] = {truncated(W / 2.8 + 23), (H / 8) * n - H / 12 - H / 70, W / 8, H / 15};
    layout.bars[slot] = {20, (H / 8) * n - H / 15, truncated(W / 2.8), H / 27};
    layout.captions[slot] = {20, (H / 8) * n - H / 9, truncated(W / 2.8), H / 24};
  }
  const int left = truncated(W - W / 2.3);
  const int top = mulDiv(5, H, 56);
  const int row = H / 21;
  for (int k = 0; k < 16; ++k) {
    layout.flags[static_cast<std::size_t>(k)] = {left, top + row * k, truncated(W / 2.45), row};
  }
  const int cylinderY = H / 8 - H / 28 + 16 * row;
  const int cylinderX[4] = {left, W - W / 3, truncated(W - W / 4.352), truncated(W - W / 7.9)};
  for (std::size_t i = 0; i < 4; ++i) layout.cylinders[i] = {cylinderX[i], cylinderY, W / 10, row};
  return layout;
}

Rect initialPlacement(int screenWidth, int screenHeight) {
  const int width = truncated(screenWidth / 1.3);
  const int height = truncated(screenHeight / 1.3);
  return {(screenWidth - width) / 2, (screenHeight - height) / 2, width, height};
}

MainWindowLogic::MainWindowLogic(const Services& services)
    : services_(services), link_(services.port), poll_(link_, services.pollTimer, services.view) {}

std::uint32_t MainWindowLogic::storedShowState() const {
  return readMainSettings(services_.settings).showState;
}

void MainWindowLogic::start() {
  poll_.clearLiveDisplay();
  const MainSettings stored = readMainSettings(services_.settings);
  poll_.selectSet(stored.activeSet);
  poll_.setState(PollState::Connect);
  portNumber_ = stored.portNumber;

  SharedPort& port = services_.port;
  if (port.openPort(portNumber_)) {
    services_.pollTimer.start(kFirstTickMs);
    return;
  }
  // The messages add, on a line of their own, the configured port's device and what is wrong.
  const std::string problem =
      "\n" + portProblemLine(portNumber_, port.devicePath(), port.lastError());
  // The probe only finds out whether the computer has a free port at all.
  bool anyPort = false;
  for (unsigned n = SharedPort::kFirstPort; n <= SharedPort::kLastPort && !anyPort; ++n) {
    anyPort = port.openPort(n);
  }
  if (!anyPort) {
    services_.notifier.message(kNoPortText + problem, kBoxCaption, MessageIcon::Exclamation);
    // The program may have been told to end while the box was up: its exit has run.
    if (!exited_) services_.pollTimer.start(kFirstTickMs);
    return;
  }
  port.close();
  services_.notifier.message(
      kBusyPortPrefix + std::to_string(portNumber_) + kBusyPortSuffix + problem, kBoxCaption,
      MessageIcon::Exclamation);
  if (exited_) return;
  services_.children.runSettings(portNumber_);
  if (exited_) return;
  port.openPort(portNumber_);
  services_.pollTimer.start(kFirstTickMs);
}

void MainWindowLogic::command(int id) {
  for (int set = 1; set <= kSetCount; ++set) {
    if (id == ids::kSetCommands[set - 1]) {
      chooseSet(set);
      return;
    }
  }
  for (const ChildWindowEntry& window : services_.children.windows()) {
    if (window.command == id) return openChild(window);
  }
  switch (id) {
    case ids::kCmdResetEcu:
      return resetEcu();
    case ids::kCmdSettings:
      return runSettingsCommand();
    case ids::kCmdPowerOff:
      shutdownRequested_ = true;
      return services_.view.endDialog();
    case ids::kCmdExit:
      return services_.view.endDialog();
    default:
      return;
  }
}

void MainWindowLogic::chooseSet(int number) {
  if (number == activeSet()) return;
  poll_.selectSet(number);
}

void MainWindowLogic::openChild(const ChildWindowEntry& window) {
  if (!window.pausesPolling) {
    services_.children.open(window);
    return;
  }
  services_.pollTimer.stop();
  services_.children.open(window);
  // The cycle goes on where it stopped: the state is left alone.
  if (!exited_) services_.pollTimer.start(kAfterChildMs);
}

namespace {

// Which window a click on a value field opens in a set, if any.
bool clickTarget(int set, int slot, int* command) {
  if (slot == 1 && (set == 1 || set == 2)) {
    *command = ids::kCmdCoolantAdjust;
  } else if (slot == 4 && set == 1) {
    *command = ids::kCmdIgnitionAdjust;
  } else if (slot == 4 && set == 2) {
    *command = ids::kCmdCoAdjust;
  } else if (slot == 7 && set == 1) {
    *command = ids::kCmdIdleValveAdjust;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool MainWindowLogic::valueFieldReacts(int slot) const {
  int command = 0;
  return clickTarget(activeSet(), slot, &command);
}

void MainWindowLogic::onValueClicked(int slot) {
  int id = 0;
  if (clickTarget(activeSet(), slot, &id)) command(id);
}

void MainWindowLogic::resetEcu() {
  services_.pollTimer.stop();
  poll_.display().texts[0] = kResettingText;
  poll_.clearLiveDisplay();
  poll_.setState(PollState::Connect);

  const LinkResult result = link_.transact(kResetRequest, sizeof kResetRequest);
  // The header's colour follows this result at once.
  services_.view.pushTexts();
  if (result != LinkResult::Ok) {
    services_.notifier.message(std::string(linkMessage(result)), kBoxCaption, MessageIcon::Stop);
    services_.pollTimer.start(kAfterResetMs);
    return;
  }
  const std::uint8_t completion = link_.ResponseBuffer()[0];
  if (completion == ecu::kCompletionDone) {
    // The ECU restarts: give it two seconds before the first wake-up.
    services_.pollTimer.start(kAfterResetMs);
    return;
  }
  services_.notifier.message(kRefusalPrefix + std::to_string(completion), kBoxCaption,
                             MessageIcon::Exclamation);
  services_.pollTimer.start(PollCycle::kStepPeriodMs);
}

void MainWindowLogic::runSettingsCommand() {
  services_.pollTimer.stop();
  services_.port.close();
  poll_.display().texts[0].clear();
  poll_.clearLiveDisplay();
  services_.children.runSettings(portNumber_);
  if (exited_) return;
  poll_.display().texts[0] = kConnectingText;
  services_.view.pushTexts();
  services_.port.openPort(portNumber_);
  poll_.setState(PollState::Connect);
  services_.pollTimer.start(kFirstTickMs);
}

void MainWindowLogic::exit(std::uint32_t showState) {
  exited_ = true;
  services_.pollTimer.stop();
  services_.sleeper.sleep(kBeforeReleaseMs);
  SharedPort& port = services_.port;
  // The settings window closes the port, and an adapter may have been pulled out: a release
  // that is owed still goes, through the configured port.
  const ReleaseLedger& ledger = port.ledger();
  if (!port.isOpen() && (ledger.held() || ledger.owedCount() > 0)) port.openPort(portNumber_);
  // A device pulled out while nothing was sent still looks open: it is asked, opened again
  // if it is back, and the tries are spaced so that one plugged back meanwhile is reached.
  releaseOrWarn(link_, ecu::releaseRequest.data(), ecu::releaseRequest.size(),
                services_.notifier, kBoxCaption, &services_.sleeper);
  port.close();
  writeMainSettings(services_.settings, {showState, activeSet(), portNumber_});
  if (const std::string problem = services_.settings.takeSaveProblem(); !problem.empty()) {
    const std::string text = "Настройки не сохранены: " + problem;
    if (port.unattended()) {
      std::fprintf(stderr, "vortlen3: %s\n", text.c_str());
    } else {
      services_.notifier.message(text, kBoxCaption, MessageIcon::Exclamation);
    }
  }
  if (shutdownRequested_) services_.powerOff.powerOff();
}

Rgb MainWindowLogic::flagBackground(int bit) const {
  return (display().modeFlags >> bit) & 1u ? kFlagLit : kFlagDark;
}

Rgb MainWindowLogic::cylinderBackground(int cylinder) const {
  return display().cylinderFlags[static_cast<std::size_t>(cylinder)] != 0 ? kFlagLit : kFlagDark;
}

Rgb MainWindowLogic::headerTextColour() const {
  return link_.lastResult() == LinkResult::Ok ? kHeaderTextOk : kHeaderTextFailing;
}

}  // namespace vortlen
