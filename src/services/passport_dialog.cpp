#include "passport_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "services_ids.h"
#include "view_support.h"

namespace vortlen {

namespace {

constexpr const char* kFieldLabels[PassportLogic::kFieldCount] = {
    "Модификация",     "Серийный номер", "Версия ПЗУ",       "Калибровки ADC",
    "Номер двигателя", "Номер кузова",   "Дата выпуска Авто"};

// Rows as high as the font's line, as a plain list box draws them: the template's list of
// passport lines holds its eight lines exactly.
class FontHighRows final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), option.fontMetrics.height()};
  }
};

QListWidget* plainList(QWidget* parent, int id, QRect geometry) {
  auto* list = new QListWidget(parent);
  setControlId(list, id);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->setFocusPolicy(Qt::NoFocus);
  list->setItemDelegate(new FontHighRows(list));
  list->setUniformItemSizes(true);
  list->setGeometry(geometry);
  return list;
}

void showItems(QListWidget* list, const std::vector<std::string>& items) {
  if (list->count() == static_cast<int>(items.size())) return;
  list->clear();
  for (const std::string& item : items) list->addItem(QString::fromStdString(item));
}

}  // namespace

PassportDialog::PassportDialog(SharedPort& port, QWidget* parent, WindowServiceOverrides overrides)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      services_(
          this, [this] { logic_->onTimer(); }, overrides) {
  setControlId(this, ids::kPassportDialog);
  setWindowTitle(QStringLiteral(" Паспорт ЭБУ и комплектация"));
  setFont(serviceDialogFont());
  setFixedSize(dialogRect(font(), 0, 0, 353, 198).size());

  lines_ = plainList(this, ids::kPassportLines, dialogRect(font(), 6, 6, 150, 66));
  // A list box without scroll bars: what does not fit is cut.
  lines_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lines_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  configuration_ = plainList(this, ids::kConfigurationList, dialogRect(font(), 162, 6, 185, 186));
  configuration_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  for (int i = 0; i < PassportLogic::kFieldCount; ++i) {
    const int y = 75 + 15 * i;
    const bool last = i == PassportLogic::kFieldCount - 1;
    auto* label = new QLabel(QString::fromUtf8(kFieldLabels[i]), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QRect place = dialogRect(font(), last ? 3 : 6, y, last ? 63 : 60, 12);
    // A face wider than the template's takes the room up to the window's left edge.
    place.setLeft(
        std::max(0, std::min(place.left(), place.right() + 1 - label->sizeHint().width())));
    label->setGeometry(place);

    auto* edit = new QLineEdit(this);
    setControlId(edit, ids::kFirstPassportField + i);
    edit->setMaxLength(static_cast<int>(PassportLogic::kFieldLength));
    edit->setGeometry(dialogRect(font(), 69, y, 87, 12));
    connect(edit, &QLineEdit::textEdited, this,
            [this, i](const QString& text) { logic_->onEdited(i, text.toStdString()); });
    edits_[static_cast<std::size_t>(i)] = edit;
  }

  write_ = new QPushButton(QStringLiteral("Записать"), this);
  setControlId(write_, ids::kWriteFieldsButton);
  write_->setGeometry(dialogRect(font(), 111, 180, 42, 12));
  write_->setEnabled(false);
  connect(write_, &QPushButton::clicked, this, [this] { logic_->write(); });
  // «Сохранить» sits left of «Записать», under the field captions.
  addExport(this, dialogRect(font(), 60, 180, 45, 12), QStringLiteral("паспорт"),
            [this] { return exportedText(); });
  onlyNamedDefaultTakesEnter(this);

  logic_ = std::make_unique<PassportLogic>(PassportLogic::Services{
      port, services_.timer(), services_.notifier(), services_.sleeper(), *this});
}

std::string PassportDialog::exportedText() const {
  std::vector<std::string> lines = logic_->passportLines();
  lines.emplace_back();
  for (int i = 0; i < PassportLogic::kFieldCount; ++i) {
    lines.push_back(std::string(kFieldLabels[i]) + ": " +
                    logic_->editTexts()[static_cast<std::size_t>(i)]);
  }
  lines.emplace_back();
  lines.emplace_back("Комплектация:");
  for (const std::string& item : logic_->configuration()) lines.push_back(item);
  return exportText("Паспорт ЭБУ и комплектация", names_, lines);
}

PassportDialog::~PassportDialog() {
  logic_->onClose();
}

void PassportDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  // The first request goes once the window is on screen, so a failure's message has it behind.
  QTimer::singleShot(0, this, [this] { logic_->onInit(); });
}

void PassportDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PassportDialog::refresh() {
  showItems(lines_, logic_->passportLines());
  showItems(configuration_, logic_->configuration());
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    const QString text = QString::fromStdString(logic_->editTexts()[i]);
    if (edits_[i]->text() != text) edits_[i]->setText(text);
  }
  write_->setEnabled(logic_->writeEnabled());
}

}  // namespace vortlen
