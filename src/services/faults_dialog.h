#pragma once

#include <QDialog>
#include <memory>

#include "faults_logic.h"
#include "record_view.h"
#include "service_dialog.h"

class QTreeWidget;

namespace vortlen {

/// Dialog 107: the ECU's fault list with its state columns and the button "Очистить".
/// The behaviour is FaultsLogic's; this class shows its rows and forwards events.
class FaultsDialog final : public QDialog, private FaultsView {
 public:
  FaultsDialog(SharedPort& port, QWidget* parent = nullptr, WindowServiceOverrides overrides = {});
  ~FaultsDialog() override;

  FaultsLogic& logic() { return *logic_; }

  /// The ECU type and the engine that an export names at its top.
  void setEcuNames(EcuNames names) { names_ = std::move(names); }
  /// What «Сохранить» writes and Ctrl+C copies.
  std::string exportedText() const;

 protected:
  /// Enter closes the window as a dialog's OK does, there being no default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showRows() override;
  void closeWindow() override;

  DialogServices services_;
  std::unique_ptr<FaultsLogic> logic_;
  QTreeWidget* list_;
  EcuNames names_;
};

}  // namespace vortlen
