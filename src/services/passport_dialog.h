#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "passport_logic.h"
#include "record_view.h"
#include "service_dialog.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vortlen {

/// Dialog 105: the ECU's passport lines, its configuration and the seven fields the user may
/// edit and write back. The behaviour is PassportLogic's; this class shows its state.
class PassportDialog final : public QDialog, private PassportView {
 public:
  PassportDialog(SharedPort& port, QWidget* parent = nullptr,
                 WindowServiceOverrides overrides = {});
  ~PassportDialog() override;

  PassportLogic& logic() { return *logic_; }

  /// The ECU type and the engine that an export names at its top.
  void setEcuNames(EcuNames names) { names_ = std::move(names); }
  /// What «Сохранить» writes and Ctrl+C copies.
  std::string exportedText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  /// Enter closes the window, as Escape does: it has no default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void refresh() override;

  DialogServices services_;
  std::unique_ptr<PassportLogic> logic_;
  QListWidget* lines_;
  QListWidget* configuration_;
  std::array<QLineEdit*, PassportLogic::kFieldCount> edits_{};
  QPushButton* write_;
  bool started_ = false;
  EcuNames names_;
};

}  // namespace vortlen
