#include "settings_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "resource_ids.h"
#include "view_support.h"

namespace vortlen {

namespace {

template <class Control>
Control* place(QWidget* dialog, int id, const QString& text, int x, int y, int w, int h) {
  auto* control = new Control(text, dialog);
  setControlId(control, id);
  control->setGeometry(dialogRect(dialog->font(), x, y, w, h));
  return control;
}

}  // namespace

SettingsDialog::SettingsDialog(unsigned& portNumber, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      logic_(portNumber),
      ports_(new QButtonGroup(this)) {
  setObjectName(QString::number(ids::kSettingsDialog));
  setWindowTitle(QStringLiteral("  Настройки программы"));
  setFont(dialogFont());
  setFixedSize(dialogRect(font(), 0, 0, 94, 74).size());

  ports_->setExclusive(true);
  for (int port = 1; port <= 4; ++port) {
    const int id = ids::kFirstPortRadio + port - 1;
    auto* radio = place<QRadioButton>(this, id, QStringLiteral("COM %1").arg(port), 6,
                                      3 + 12 * (port - 1), 42, 12);
    ports_->addButton(radio, id);
  }
  place<QCheckBox>(this, ids::kBeepBox, QStringLiteral("Beep"), 54, 3, 33, 12);

  auto* ok = place<QPushButton>(this, ids::kOk, QStringLiteral("OK"), 48, 57, 42, 14);
  auto* cancel = place<QPushButton>(this, ids::kCancel, QStringLiteral("Отмена"), 3, 57, 42, 14);
  cancel->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &SettingsDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &SettingsDialog::reject);
}

void SettingsDialog::accept() {
  logic_.onOk(ports_->checkedId());
  QDialog::accept();
}

void SettingsDialog::showEvent(QShowEvent* event) {
  if (QAbstractButton* radio = ports_->button(logic_.onShow())) radio->setChecked(true);
  QDialog::showEvent(event);
}

}  // namespace vortlen
