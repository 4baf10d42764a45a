#pragma once

#include <QDialog>
#include <memory>

#include "fuel_tables_logic.h"
#include "service_dialog.h"

class QTreeWidget;

namespace vortlen {

/// Dialog 106: one of the four fuel-correction tables as a grid, the buttons that choose the
/// table and those that zero one. The behaviour is FuelTablesLogic's.
class FuelTablesDialog final : public QDialog, private FuelTablesView {
 public:
  FuelTablesDialog(SharedPort& port, QWidget* parent = nullptr,
                   WindowServiceOverrides overrides = {});
  ~FuelTablesDialog() override;

  FuelTablesLogic& logic() { return *logic_; }

 private:
  void showCells() override;
  void showStatus() override;

  DialogServices services_;
  std::unique_ptr<FuelTablesLogic> logic_;
  QTreeWidget* grid_;
};

}  // namespace vortlen
