#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// What the passport window does when its logic says so.
class PassportView {
 public:
  virtual ~PassportView() = default;
  /// The passport lines, the seven edit texts, the configuration or the button changed.
  virtual void refresh() = 0;
};

/// The items of the ECU's configuration: bit i of byte j (code j+1) set lists item [j][i].
/// Sorted as the list shows them (as a Russian reader sorts, capitals and small letters alike);
/// "Reserved" once per set bit.
std::vector<std::string> configurationItems(const std::array<std::uint8_t, 6>& bytes);

/// The 20-byte request that stores field `code`: 62 0E 01 code, then the text in code page 866
/// padded with zero bytes to 16 (a 16-character text has no terminator; longer ones are cut).
std::array<std::uint8_t, 20> fieldWriteRequest(std::uint8_t code, const std::string& utf8Text);

/// The passport window: sixteen reads, one per tick, then the user may edit and write back the
/// seven vehicle and unit fields.
class PassportLogic {
 public:
  static constexpr int kFieldCount = 7;
  static constexpr std::size_t kFieldLength = 16;  // characters an edit takes
  static constexpr int kPeriodMs = 90;
  static constexpr int kWriteWaitMs = 100;
  static constexpr int kLastStep = 15;

  struct Services {
    SharedPort& port;
    WindowTimer& timer;
    Notifier& notifier;
    Sleeper& sleeper;
    PassportView& view;
  };

  explicit PassportLogic(Services services) : services_(services), link_(services.port) {}

  /// After the window is shown: the first request, and the timer if it was answered.
  void onInit();
  /// Timer 1: the current step.
  void onTimer();
  /// The user changed the text of edit `index` (0..6).
  void onEdited(int index, const std::string& text);
  /// Button "Записать": the fields that were read or edited, then the two flags.
  void write();
  void onClose();

  const std::vector<std::string>& passportLines() const { return lines_; }
  const std::array<std::string, kFieldCount>& editTexts() const { return editTexts_; }
  const std::vector<std::string>& configuration() const { return configuration_; }
  bool writeEnabled() const { return writeEnabled_; }
  int step() const { return step_; }

 private:
  void failed(LinkResult result);
  void readConfiguration();

  Services services_;
  EcuLink link_;
  int step_ = 0;
  std::vector<std::string> lines_;
  std::array<std::string, kFieldCount> fieldTexts_;  // as last read from the ECU
  std::array<std::string, kFieldCount> editTexts_;   // as the edits show them
  // A field is written back only when its text came from the ECU or from the mechanic: an
  // interrupted reading must not overwrite what it never saw with empty text.
  std::array<bool, kFieldCount> fieldRead_{};
  std::array<bool, kFieldCount> fieldEdited_{};
  std::vector<std::string> configuration_;
  bool writeEnabled_ = false;
};

}  // namespace vortlen
