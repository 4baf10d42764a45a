#include "fuel_tables_dialog.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "services_ids.h"
#include "view_support.h"

namespace vortlen {

namespace {

constexpr int kColumns = 17;
constexpr int kColumnWidth = 45;
constexpr int kButtonX[4] = {44, 123, 202, 281};

}  // namespace

FuelTablesDialog::FuelTablesDialog(SharedPort& port, QWidget* parent,
                                   WindowServiceOverrides overrides)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      services_(
          this, [this] { logic_->onTimer(); }, overrides),
      grid_(reportList(this, ids::kFuelGrid)) {
  setControlId(this, ids::kFuelTablesDialog);
  setWindowTitle(QStringLiteral(" Таблицы топливоподачи"));
  setFont(serviceDialogFont());
  setFixedSize(dialogRect(font(), 0, 0, 386, 208).size());

  QStringList headers{QStringLiteral("B/F")};
  for (int j = 0; j < 16; ++j) headers << QString::number(j);
  grid_->setHeaderLabels(headers);
  for (int c = 0; c < kColumns; ++c) {
    grid_->setColumnWidth(c, kColumnWidth);
    grid_->headerItem()->setTextAlignment(c, Qt::AlignCenter);
  }
  for (int i = 0; i < 16; ++i) {
    auto* row = new QTreeWidgetItem(grid_);
    row->setText(0, QString::number(i));
    for (int c = 0; c < kColumns; ++c) row->setTextAlignment(c, Qt::AlignCenter);
  }
  grid_->setGeometry(dialogRect(font(), 0, 0, 386, 174));

  // Created in the template's order, which is the Tab order: the four table buttons, then the
  // four zero buttons.
  for (int k = 0; k < FuelTablesLogic::kTableCount; ++k) {
    const int number = k + 1;
    auto* show = new QPushButton(QStringLiteral("Таблица %1").arg(number), this);
    setControlId(show, ids::kShowTableButtons[k]);
    show->setGeometry(dialogRect(font(), kButtonX[k], 178, 60, 12));
    if (k == 0) show->setDefault(true);
    connect(show, &QPushButton::clicked, this, [this, number] { logic_->showTable(number); });
  }
  for (int k = 0; k < FuelTablesLogic::kTableCount; ++k) {
    const int number = k + 1;
    auto* zero = new QPushButton(QStringLiteral("Обнулить"), this);
    setControlId(zero, ids::kZeroTableButtons[k]);
    zero->setGeometry(dialogRect(font(), kButtonX[k], 193, 60, 12));
    connect(zero, &QPushButton::clicked, this, [this, number] { logic_->zeroTable(number); });
  }
  // Enter shows table 1 wherever the focus is, a focused «Обнулить» included.
  onlyNamedDefaultTakesEnter(this);

  logic_ = std::make_unique<FuelTablesLogic>(
      FuelTablesLogic::Services{port, services_.timer(), services_.notifier(), *this});
  logic_->onInit();
}

FuelTablesDialog::~FuelTablesDialog() {
  logic_->onClose();
}

void FuelTablesDialog::showStatus() {
  // The caption is where the mechanic looks: the table below is not live while it speaks.
  const std::string& status = logic_->status();
  setWindowTitle(status.empty() ? QStringLiteral(" Таблицы топливоподачи")
                                : QStringLiteral(" Таблицы топливоподачи  —  ") +
                                      QString::fromStdString(status));
}

void FuelTablesDialog::showCells() {
  const FuelTablesLogic::Cells& cells = logic_->cells();
  for (int i = 0; i < 16; ++i) {
    QTreeWidgetItem* row = grid_->topLevelItem(i);
    for (int j = 0; j < 16; ++j) {
      row->setText(j + 1, QString::fromStdString(cells[static_cast<std::size_t>(16 * i + j)]));
    }
  }
}

}  // namespace vortlen
