#include "settings_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "resource_ids.h"
#include "shared_port.h"
#include "view_support.h"

namespace vortlen {

namespace {

// The width of the devices' column, in dialog units.
constexpr int kDeviceColumn = 150;

template <class Control>
Control* place(QWidget* dialog, int id, const QString& text, int x, int y, int w, int h) {
  auto* control = new Control(text, dialog);
  setControlId(control, id);
  control->setGeometry(dialogRect(dialog->font(), x, y, w, h));
  return control;
}

}  // namespace

SettingsDialog::SettingsDialog(unsigned& portNumber, QWidget* parent, SharedPort* port)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      logic_(portNumber),
      ports_(new QButtonGroup(this)) {
  setObjectName(QString::number(ids::kSettingsDialog));
  setWindowTitle(QStringLiteral("  Настройки программы"));
  setFont(dialogFont());
  // Knowing the ports, the window grows a column to the right of the template's controls: each
  // choice's device and state.
  setFixedSize(dialogRect(font(), 0, 0, port ? 94 + kDeviceColumn : 94, 74).size());

  ports_->setExclusive(true);
  for (int n = 1; n <= 4; ++n) {
    const int id = ids::kFirstPortRadio + n - 1;
    const int y = 3 + 12 * (n - 1);
    auto* radio = place<QRadioButton>(this, id, QStringLiteral("COM %1").arg(n), 6, y, 42, 12);
    ports_->addButton(radio, id);
    if (port == nullptr) continue;
    // Every choice can be taken, with or without a device: the adapter may come later.
    const SharedPort::Description found = port->describe(static_cast<unsigned>(n));
    auto* state = new QLabel(this);
    state->setObjectName(QStringLiteral("portState%1").arg(n));
    state->setTextFormat(Qt::PlainText);
    state->setGeometry(dialogRect(font(), 92, y, kDeviceColumn - 2, 12));
    state->setText(QFontMetrics(font()).elidedText(QString::fromStdString(portChoiceText(found)),
                                                   Qt::ElideMiddle, state->width()));
    const std::string why =
        found.state == PortError::None ? std::string() : "\n" + portErrorText(found.state);
    const QString tip = QString::fromStdString(found.device + why);
    state->setToolTip(tip);
    radio->setToolTip(tip);
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
