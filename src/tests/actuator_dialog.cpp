#include "actuator_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

#include "actuator_ids.h"
#include "qt_window_services.h"
#include "resources.h"
#include "view_support.h"

namespace vortlen {

namespace {

// The value and result fields: yellow figures on black.
const QColor kFieldText(204, 204, 48);
const QColor kFieldBackground(0, 0, 0);

constexpr int kLargeFontHeight = 32;
constexpr int kLargeFontWidth = 10;

const char* const kRelayTexts[kRelayCount] = {"Лампа\nнеисправностей", "Вентилятор\nохлаждения",
                                              "Кондиционер", "Бензонасос", "Клапан ЭПХХ"};
// Their places in dialog units, in the order of the bits.
constexpr int kRelayPlaces[kRelayCount][2] = {{12, 66}, {86, 66}, {12, 94}, {86, 94}, {12, 122}};
const char* const kComboLists[kBalanceComboCount][6] = {
    {"900", "1000", "1100", "1200", "1300", nullptr},
    {"10", "20", "30", "50", "90", nullptr},
    {"0", "10", "20", "30", "40", "50"},
};
constexpr int kComboIds[kBalanceComboCount] = {ids::kBalanceTarget, ids::kBalanceCycles,
                                               ids::kBalanceImbalance};

QFont actuatorDialogFont() {
  QFont font(QStringLiteral("MS Sans Serif"), 10);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

void paintField(QLabel* field) {
  field->setTextFormat(Qt::PlainText);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Window, kFieldBackground);
  palette.setColor(QPalette::WindowText, kFieldText);
  field->setPalette(palette);
  field->setAutoFillBackground(true);
}

void setTextIfChanged(QLabel* label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (label->text() != shown) label->setText(shown);
}

void setBar(QProgressBar* bar, int position) {
  // A progress bar ignores a value outside its range: the nearer end is shown instead.
  position = std::clamp(position, bar->minimum(), bar->maximum());
  if (bar->value() != position) bar->setValue(position);
}

}  // namespace

ActuatorDialog::ActuatorDialog(SharedPort& port, SettingsStore& settings, QWidget* parent,
                               WindowServiceOverrides overrides)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setControlId(this, ids::kActuatorDialog);
  setWindowTitle(QStringLiteral(" Тесты исполнительных механизмов   (Вортлен 3)"));
  setFont(actuatorDialogFont());
  baseSize_ = dialogRect(font(), 0, 0, 342, 185).size();
  setFixedSize(baseSize_);

  services_ = std::make_unique<DialogServices>(
      this, [this] { logic_->onTimer(); }, overrides);
  logic_ = std::make_unique<ActuatorLogic>(ActuatorLogic::Services{
      port, services_->timer(), services_->notifier(), services_->sleeper(), settings, *this});

  buildControls();
  buildBalanceGroup();
  // When the main window ends under it (a termination signal closes it), this window ends
  // too, or its modal loop would keep the program alive with a closed port.
  if (auto* owner = qobject_cast<QDialog*>(parent)) {
    connect(owner, &QDialog::finished, this, [this] { done(QDialog::Rejected); });
  }
  logic_->initialise();
}

ActuatorDialog::~ActuatorDialog() {
  // A dialog destroyed without being closed still releases the ECU.
  if (!closed_) {
    closed_ = true;
    logic_->onClose();
  }
}

void ActuatorDialog::buildControls() {
  const QFont dialog = font();
  auto place = [&dialog](QWidget* control, int id, int x, int y, int w, int h) {
    if (id != 0) setControlId(control, id);
    control->setGeometry(dialogRect(dialog, x, y, w, h));
  };

  // The group boxes first, so that the controls they frame lie above them.
  place(new QGroupBox(QStringLiteral("Исполнительные механизмы"), this), 0, 6, 51, 156, 131);
  place(new QGroupBox(QStringLiteral("Баланс тест"), this), 0, 168, 3, 171, 150);

  for (std::size_t bit = 0; bit < kRelayCount; ++bit) {
    auto* box = new QCheckBox(QString::fromUtf8(kRelayTexts[bit]), this);
    place(box, ids::kRelayBoxes[bit], kRelayPlaces[bit][0], kRelayPlaces[bit][1], 69, 24);
    connect(box, &QCheckBox::clicked, this,
            [this, bit](bool checked) { logic_->onRelayClicked(bit, checked); });
    relayBoxes_[bit] = box;
  }
  for (std::size_t bit = 0; bit < kInjectorCount; ++bit) {
    auto* box = new QCheckBox(QStringLiteral("Ф%1").arg(bit + 1), this);
    place(box, ids::kInjectorBoxes[bit], 12 + 38 * static_cast<int>(bit), 152, 30, 24);
    connect(box, &QCheckBox::clicked, this,
            [this, bit](bool checked) { logic_->onInjectorClicked(bit, checked); });
    injectorBoxes_[bit] = box;
  }

  // The captions keep their right edges; a substitute face wider than the original may take
  // the room to their left, which is empty.
  auto* coolantCaption = new QLabel(QStringLiteral("Температура ОЖ (град С)"), this);
  coolantCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
  place(coolantCaption, 0, 6, 3, 21 + 87 - 6, 9);
  coolantBar_ = new QProgressBar(this);
  place(coolantBar_, ids::kActuatorCoolantBar, 6, 12, 105, 12);
  coolantBar_->setRange(kCoolantBarMin, kCoolantBarMax);
  coolantBar_->setValue(kCoolantBarMin);

  auto* speedCaption = new QLabel(QStringLiteral("Обороты (обороты/мин)"), this);
  speedCaption->setAlignment(Qt::AlignRight | Qt::AlignTop);
  place(speedCaption, 0, 6, 24, 30 + 78 - 6, 9);
  speedBar_ = new QProgressBar(this);
  place(speedBar_, ids::kActuatorSpeedBar, 6, 33, 105, 12);
  speedBar_->setRange(kSpeedBarMin, kSpeedBarMax);
  speedBar_->setValue(kSpeedBarMin);
  for (QProgressBar* bar : {coolantBar_, speedBar_}) bar->setTextVisible(false);

  const QFont large = largeValueFont(kLargeFontHeight, kLargeFontWidth);
  coolantField_ = new QLabel(this);
  place(coolantField_, ids::kActuatorCoolantText, 114, 9, 48, 15);
  speedField_ = new QLabel(this);
  place(speedField_, ids::kActuatorSpeedText, 114, 30, 48, 15);
  for (QLabel* field : {coolantField_, speedField_}) {
    field->setFont(large);
    field->setAlignment(Qt::AlignCenter);
    paintField(field);
  }
}

void ActuatorDialog::buildBalanceGroup() {
  const QFont dialog = font();
  auto place = [&dialog](QWidget* control, int id, int x, int y, int w, int h) {
    if (id != 0) setControlId(control, id);
    control->setGeometry(dialogRect(dialog, x, y, w, h));
  };

  // A picture control takes the size of its bitmap.
  warning_ = new QLabel(this);
  setControlId(warning_, ids::kBalanceWarning);
  const QPixmap picture = balanceWarningPixmap();
  warning_->setPixmap(picture);
  warning_->setGeometry(QRect(dialogRect(dialog, 198, 12, 108, 33).topLeft(), picture.size()));
  warning_->hide();

  for (int cylinder = 0; cylinder < 4; ++cylinder) {
    const int y = 18 * cylinder;
    auto* bar = new QProgressBar(this);
    place(bar, ids::kBalanceResultBars[cylinder], 171, 60 + y, 87, 9);
    bar->setTextVisible(false);
    bar->setValue(0);
    auto* field = new QLabel(this);
    place(field, ids::kBalanceResultFields[cylinder], 261, 54 + y, 42, 15);
    field->setAlignment(Qt::AlignCenter);
    paintField(field);
    auto* efficiency = new QLabel(QStringLiteral("%1ц КПД%").arg(cylinder + 1), this);
    place(efficiency, 0, 306, 60 + y, 30, 9);
    // A face wider than the template's takes the room up to the window's edge.
    QRect room = efficiency->geometry();
    room.setRight(std::min(width() - 1, room.x() + efficiency->sizeHint().width() - 1));
    if (room.width() > efficiency->width()) efficiency->setGeometry(room);
  }
  // The heads of the three combo boxes; the room to their right is free in a wider face.
  place(new QLabel(QStringLiteral("обороты  циклы   дисбаланс "), this), 0, 171, 126, 165, 9);

  for (std::size_t combo = 0; combo < kBalanceComboCount; ++combo) {
    auto* box = new QComboBox(this);
    box->setEditable(true);
    // Enter in the edit field closes the window, as in every dialog; it adds nothing to the list.
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : kComboLists[combo]) {
      if (item) box->addItem(QString::fromLatin1(item));
    }
    box->setCurrentIndex(-1);
    // The boxes are narrow: the small dialog font and no margins let "1000" show whole.
    box->setFont(dialogFont());
    box->lineEdit()->setTextMargins(0, 0, 0, 0);
    place(box, kComboIds[combo], 171 + 30 * static_cast<int>(combo), 135, 27, 12);
    connect(box, &QComboBox::editTextChanged, this, [this, combo](const QString& text) {
      logic_->setBalanceText(combo, text.toStdString());
    });
    combos_[combo] = box;
  }

  stopButton_ = new QPushButton(QStringLiteral("Стоп"), this);
  place(stopButton_, ids::kBalanceStop, 261, 135, 36, 12);
  connect(stopButton_, &QPushButton::clicked, this, [this] { logic_->onStopClicked(); });
  startButton_ = new QPushButton(QStringLiteral("Старт"), this);
  place(startButton_, ids::kBalanceStart, 300, 135, 36, 12);
  connect(startButton_, &QPushButton::clicked, this, [this] { logic_->onStartClicked(); });
  onlyNamedDefaultTakesEnter(this);
}

void ActuatorDialog::refresh() {
  const ActuatorDisplay& display = logic_->display();
  setTextIfChanged(coolantField_, display.coolantText);
  setTextIfChanged(speedField_, display.speedText);
  setBar(coolantBar_, display.coolantBar);
  setBar(speedBar_, display.speedBar);

  const bool enabled = display.controlsEnabled;
  for (QCheckBox* box : relayBoxes_) box->setEnabled(enabled);
  for (QCheckBox* box : injectorBoxes_) box->setEnabled(enabled);
  for (QComboBox* box : combos_) box->setEnabled(enabled);
  startButton_->setEnabled(enabled);
  stopButton_->setEnabled(enabled);
  warning_->setVisible(display.warningVisible);

  if (!notice_) {
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setTextFormat(Qt::PlainText);
    notice_->setGeometry(4, baseSize_.height(), baseSize_.width() - 8,
                         notice_->fontMetrics().height() + 4);
  }
  const QString notice = QString::fromStdString(display.notice);
  if (notice_->text() != notice) {
    notice_->setText(notice);
    notice_->setVisible(!notice.isEmpty());
    setFixedSize(notice.isEmpty() ? baseSize_
                                  : QSize(baseSize_.width(), baseSize_.height() + notice_->height()));
  }
}

void ActuatorDialog::showChecks() {
  const ActuatorDisplay& display = logic_->display();
  for (std::size_t bit = 0; bit < kRelayCount; ++bit) {
    relayBoxes_[bit]->setChecked(display.relayChecked[bit]);
  }
  for (std::size_t bit = 0; bit < kInjectorCount; ++bit) {
    injectorBoxes_[bit]->setChecked(display.injectorChecked[bit]);
  }
}

void ActuatorDialog::messageAfterTick(const std::string& text, const std::string& caption,
                                      MessageIcon icon) {
  // Shown from the event loop, not from the timer's own call, which would hold the timer.
  QTimer::singleShot(
      0, this, [this, text, caption, icon] { services_->notifier().message(text, caption, icon); });
}

void ActuatorDialog::showBalanceTexts() {
  const ActuatorDisplay& display = logic_->display();
  for (std::size_t combo = 0; combo < kBalanceComboCount; ++combo) {
    const QString text = QString::fromStdString(display.balanceTexts[combo]);
    if (combos_[combo]->currentText() != text) combos_[combo]->setEditText(text);
  }
}

void ActuatorDialog::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) logic_->onShow();
  QDialog::showEvent(event);
}

void ActuatorDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Enter closes the window like a default OK wherever the focus is: a focused «Старт»
      // would take the idle valve under control.
      done(QDialog::Accepted);
      event->accept();
      return;
    case Qt::Key_Escape:
      done(QDialog::Rejected);
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void ActuatorDialog::done(int result) {
  if (!closed_) {
    closed_ = true;
    logic_->onClose();
  }
  QDialog::done(result);
}

}  // namespace vortlen
