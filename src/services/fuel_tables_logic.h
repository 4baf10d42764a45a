#pragma once

#include <array>
#include <string>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// What the fuel-tables window does when its logic says so.
class FuelTablesView {
 public:
  virtual ~FuelTablesView() = default;
  /// The cells changed.
  virtual void showCells() = 0;
  /// The status of the last read changed: the link's message, or empty after a good read.
  virtual void showStatus() {}
};

/// A cell of a fuel table as the grid shows it: "%.3f" of raw / 256 + 0.5, not trimmed.
std::string fuelCellText(std::uint8_t raw);

/// The fuel-tables window: reads the shown table every second and zeroes any of the four.
class FuelTablesLogic {
 public:
  static constexpr int kTableCount = 4;
  static constexpr int kFirstPeriodMs = 90;
  static constexpr int kPeriodMs = 1000;

  using Cells = std::array<std::string, 256>;  // row-major, [16 * row + column]

  struct Services {
    SharedPort& port;
    WindowTimer& timer;
    Notifier& notifier;
    FuelTablesView& view;
  };

  explicit FuelTablesLogic(Services services) : services_(services), link_(services.port) {}

  void onInit();
  /// Timer 1: one read of the shown table.
  void onTimer();
  /// Buttons "Таблица 1".."Таблица 4": the grid changes at the next tick.
  void showTable(int number);
  /// Buttons "Обнулить": zero table `number` in the ECU and show it.
  void zeroTable(int number);
  /// The window is destroyed: the ECU is told the tables are left alone.
  void onClose();

  int table() const { return table_; }
  const Cells& cells() const { return cells_; }
  /// Why the last read failed (the link's message), empty after a good one. The grid keeps the
  /// last good table meanwhile.
  const std::string& status() const { return status_; }

 private:
  Services services_;
  EcuLink link_;
  int table_ = 1;
  Cells cells_;
  std::string status_;
  void setStatus(std::string_view status);
};

}  // namespace vortlen
