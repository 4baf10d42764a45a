#pragma once

#include <string>
#include <vector>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// One row of the fault list: the code and the texts of its four other columns.
struct FaultRow {
  std::string code;
  std::string manyTimes;   // "XXX" when the fault occurred many times
  std::string once;        // "XX" when it occurred once
  std::string presentNow;  // "X" when it is there now
  std::string text;

  friend bool operator==(const FaultRow&, const FaultRow&) = default;
};

/// What the faults window does when its logic says so.
class FaultsView {
 public:
  virtual ~FaultsView() = default;
  virtual void showRows() = 0;
  /// The reading failed: the window closes.
  virtual void closeWindow() = 0;
};

/// The rows of a fault answer: the count, then (code, flags) pairs, in the answer's order.
/// Only the entries that the answer of `answerLength` bytes actually carries are listed.
std::vector<FaultRow> decodeFaults(const EcuLink::Response& answer, std::size_t answerLength);

/// The faults window: reads the ECU's fault list once a second and clears it on request.
class FaultsLogic {
 public:
  static constexpr int kFirstPeriodMs = 90;
  static constexpr int kPeriodMs = 1000;
  static constexpr int kClearWaitMs = 100;

  struct Services {
    SharedPort& port;
    WindowTimer& timer;
    Notifier& notifier;
    Sleeper& sleeper;
    FaultsView& view;
  };

  explicit FaultsLogic(Services services) : services_(services), link_(services.port) {}

  void onOpen();
  /// Timer 1: one read of the fault list.
  void pollFaults();
  /// Button "Очистить".
  void clearFaults();
  void onClose();

  const std::vector<FaultRow>& rows() const { return rows_; }

 private:
  void reportRefusal();

  Services services_;
  EcuLink link_;
  std::vector<FaultRow> rows_;
};

}  // namespace vortlen
