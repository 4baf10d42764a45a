#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ecu_link.h"
#include "poll_cycle.h"
#include "power_off.h"
#include "record_format.h"
#include "settings_store.h"
#include "shared_port.h"
#include "window_services.h"

namespace vortlen {

struct Recording;

/// The menus of the main window that hold child windows, in the menu bar's order.
enum class MainMenu { Ecu, View, Tests, Adjustments, Extra };

/// A window the main window opens: its command, where the main window offers it, and whether
/// the main polling pauses while it is open (the modal windows that talk to the ECU).
struct ChildWindowEntry {
  int command = 0;
  MainMenu menu = MainMenu::Ecu;
  std::string_view text;  // the menu item, and the name the user knows the window by
  std::string_view key;   // the accelerator, as "Alt+P" or "F5"; empty: none
  bool pausesPolling = false;
};

/// The main window's child windows, as the program declares them.
class ChildWindows {
 public:
  virtual ~ChildWindows() = default;
  /// Every child window, in the order of its menu.
  virtual std::span<const ChildWindowEntry> windows() const = 0;
  /// A modal window returns when it has closed; a modeless one returns once it is shown.
  virtual void open(const ChildWindowEntry& window) = 0;
  /// Runs the settings window modally; it may change `portNumber`.
  virtual void runSettings(unsigned& portNumber) = 0;
  /// The main window's client size and its position changed: the adjustment windows place
  /// themselves from them when they are shown.
  virtual void mainWindowResized(int /*width*/, int /*height*/) {}
  virtual void mainWindowMoved(int /*x*/, int /*y*/) {}
  /// Opens the graph view modally to play a graph recording in it.
  virtual void playGraphRecording(const Recording& /*recording*/) {}
  /// The graph view's recording layouts, so that the main window knows its files too.
  virtual std::vector<RecordLayout> graphRecordLayouts() const { return {}; }
};

/// What the main window's view does on the logic's behalf, beyond drawing the live display.
class MainView : public LiveView {
 public:
  /// Ends the main window; the view then runs the exit (MainWindowLogic::exit).
  virtual void endDialog() = 0;
};

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kFlagLit{180, 130, 80};
inline constexpr Rgb kFlagDark{60, 60, 60};
inline constexpr Rgb kHeaderBackground{224, 224, 224};
inline constexpr Rgb kHeaderTextOk{89, 89, 89};
inline constexpr Rgb kHeaderTextFailing{170, 0, 0};
inline constexpr Rgb kValueBackground{0, 0, 0};
inline constexpr Rgb kValueText{100, 255, 255};

inline const std::string kProgramTitle = " Вортлен 3  (V 0.008)";

/// Show states of the window as the settings keep them.
enum ShowState : std::uint32_t { kShowNormal = 1, kShowMinimised = 2, kShowMaximised = 3 };

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct FontSize {
  int height = 0;
  int width = 0;  // average character width
  friend bool operator==(const FontSize&, const FontSize&) = default;
};

/// Every control's place for a client area of W x H pixels, and the three fonts.
struct MainLayout {
  Rect header1030;
  Rect header1031;
  std::array<Rect, 8> values;     // 1032..1039
  std::array<Rect, 8> bars;       // 1047..1054
  std::array<Rect, 8> captions;   // 1002..1009
  std::array<Rect, 16> flags;     // 1010..1025
  std::array<Rect, 4> cylinders;  // 1026..1029
  FontSize captionFont;           // "Times New Roman": captions, headers, cylinder labels
  FontSize valueFont;             // "times_quartz": value fields
  FontSize flagFont;              // "Times New Roman": mode flags
};

MainLayout layoutMainWindow(int width, int height);

/// The window's size and place before it is first shown: 1/1.3 of the screen, centred.
Rect initialPlacement(int screenWidth, int screenHeight);

/// The main window's behaviour: start-up, the commands, the value-field clicks, the colours
/// and the exit. The polling itself is PollCycle's.
class MainWindowLogic {
 public:
  struct Services {
    SharedPort& port;
    WindowTimer& pollTimer;
    Notifier& notifier;
    Sleeper& sleeper;
    SettingsStore& settings;
    PowerOff& powerOff;
    ChildWindows& children;
    MainView& view;
  };

  explicit MainWindowLogic(const Services& services);

  /// The show state to open the window with, from the settings.
  std::uint32_t storedShowState() const;

  /// Start-up once the window is shown: live display cleared, stored set made active, the
  /// stored port opened or the ports probed and the user told, PollTimer started with 1 ms.
  /// When the exit runs meanwhile (the program was told to end while a box was up), the
  /// start-up goes no further.
  void start();

  /// Runs a menu or accelerator command. Unknown ids are ignored.
  void command(int id);

  /// A click on value field 1031 + slot (slot 1..8).
  void onValueClicked(int slot);
  /// Whether a click on value field 1031 + slot would open a window in the active set.
  bool valueFieldReacts(int slot) const;

  /// The exit, whatever the link does: PollTimer stopped, 100 ms, the release request (through
  /// the configured port, opened again if it is closed and a release is owed; retried, and the
  /// mechanic warned, when the ECU does not confirm it), the port closed, the three settings
  /// saved (a store that cannot be written is reported), then the power-off if it was asked for.
  /// `showState` is the window's show state (1..3) at the end.
  void exit(std::uint32_t showState);

  void onPollTimer() { poll_.onPollTimer(); }

  // Colours of the statics, from the last answer and the last result.
  Rgb flagBackground(int bit) const;
  Rgb cylinderBackground(int cylinder) const;  // 0..3
  Rgb headerTextColour() const;

  PollCycle& poll() { return poll_; }
  const LiveDisplay& display() const { return poll_.display(); }
  int activeSet() const { return poll_.display().activeSet; }
  unsigned portNumber() const { return portNumber_; }
  bool shutdownRequested() const { return shutdownRequested_; }
  bool exited() const { return exited_; }
  EcuLink& link() { return link_; }

 private:
  void resetEcu();
  void runSettingsCommand();
  void openChild(const ChildWindowEntry& window);
  void chooseSet(int number);

  Services services_;
  EcuLink link_;
  PollCycle poll_;
  unsigned portNumber_ = 1;
  bool shutdownRequested_ = false;
  bool exited_ = false;
};

}  // namespace vortlen
