#include "faults_dialog.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>

#include "services_ids.h"
#include "view_support.h"

namespace vortlen {

namespace {

struct Column {
  const char* header;
  int width;
  Qt::Alignment alignment;
};

constexpr Column kColumns[5] = {
    {"код", 45, Qt::AlignHCenter},        {"мнгкр", 60, Qt::AlignHCenter},
    {"однкр", 65, Qt::AlignHCenter},      {"текущ", 65, Qt::AlignHCenter},
    {"наименование", 553, Qt::AlignLeft},
};

}  // namespace

FaultsDialog::FaultsDialog(SharedPort& port, QWidget* parent, WindowServiceOverrides overrides)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      services_(
          this, [this] { logic_->pollFaults(); }, overrides),
      list_(reportList(this, ids::kFaultList)) {
  setControlId(this, ids::kFaultsDialog);
  setWindowTitle(QStringLiteral(" Ошибки и неисправности"));
  setFont(serviceDialogFont());
  setFixedSize(dialogRect(font(), 0, 0, 540, 200).size());

  QStringList headers;
  for (const Column& column : kColumns) headers << QString::fromUtf8(column.header);
  list_->setHeaderLabels(headers);
  for (int i = 0; i < 5; ++i) {
    list_->setColumnWidth(i, kColumns[i].width);
    list_->headerItem()->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
  }
  list_->setGeometry(dialogRect(font(), 0, 0, 540, 180));

  auto* clear = new QPushButton(QStringLiteral("Очистить"), this);
  setControlId(clear, ids::kClearFaultsButton);
  clear->setGeometry(dialogRect(font(), 240, 184, 60, 12));
  connect(clear, &QPushButton::clicked, this, [this] { logic_->clearFaults(); });
  // «Сохранить» sits at the right end of the button row, apart from the window's own button.
  addExport(this, dialogRect(font(), 474, 184, 60, 12), QStringLiteral("ошибки"),
            [this] { return exportedText(); });
  // «Очистить» erases the ECU's fault memory: only a click or Space may press it.
  onlyNamedDefaultTakesEnter(this);

  logic_ = std::make_unique<FaultsLogic>(FaultsLogic::Services{
      port, services_.timer(), services_.notifier(), services_.sleeper(), *this});
  logic_->onOpen();
}

FaultsDialog::~FaultsDialog() {
  logic_->onClose();
}

void FaultsDialog::showRows() {
  list_->clear();
  QList<QTreeWidgetItem*> items;
  for (const FaultRow& row : logic_->rows()) {
    auto* item = new QTreeWidgetItem(
        QStringList{QString::fromStdString(row.code), QString::fromStdString(row.manyTimes),
                    QString::fromStdString(row.once), QString::fromStdString(row.presentNow),
                    QString::fromStdString(row.text)});
    for (int i = 0; i < 5; ++i) item->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
    items << item;
  }
  list_->addTopLevelItems(items);
}

std::string FaultsDialog::exportedText() const {
  std::vector<std::string> lines;
  std::string header;
  for (const Column& column : kColumns)
    header += std::string(header.empty() ? "" : "\t") + column.header;
  lines.push_back(header);
  for (const FaultRow& row : logic_->rows()) {
    lines.push_back(row.code + "\t" + row.manyTimes + "\t" + row.once + "\t" + row.presentNow +
                    "\t" + row.text);
  }
  if (logic_->rows().empty()) lines.push_back("Ошибок нет");
  return exportText("Ошибки и неисправности", names_, lines);
}

void FaultsDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void FaultsDialog::closeWindow() {
  reject();
}

}  // namespace vortlen
