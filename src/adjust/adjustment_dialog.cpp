#include "adjustment_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include "adjust_ids.h"
#include "qt_window_services.h"
#include "resources.h"
#include "view_support.h"

namespace vortlen {

namespace {

// The value fields: the large font in yellow on black.
const QColor kAdjustValueText(204, 204, 48);
constexpr int kLargeFontHeight = 32;
constexpr int kLargeFontWidth = 10;

// The window's outer size is given; a usual frame takes this much of it.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 29;

// Inside the client area: a value field at the left of each slider, one row per slider.
constexpr int kMargin = 2;
constexpr int kFieldWidth = 86;

}  // namespace

void ReleaseSlider::mousePressEvent(QMouseEvent* event) {
  const int before = value();
  QSlider::mousePressEvent(event);
  if (event->button() != Qt::LeftButton || isSliderDown() || value() != before) return;
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  const int at = static_cast<int>(orientation() == Qt::Horizontal ? event->position().x()
                                                                  : event->position().y());
  const int from = orientation() == Qt::Horizontal ? handle.left() : handle.top();
  const int to = orientation() == Qt::Horizontal ? handle.right() : handle.bottom();
  if (at > to) triggerAction(SliderPageStepAdd);
  if (at < from) triggerAction(SliderPageStepSub);
}

void ReleaseSlider::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && onRelease) onRelease();
}

AdjustmentDialog::AdjustmentDialog(AdjustmentKind kind, SharedPort& port,
                                   std::uint8_t& overrideMask, QWidget* parent, Notifier* notifier)
    : QDialog(parent) {
  if (!notifier) {
    ownNotifier_ = std::make_unique<QtNotifier>(this);
    notifier = ownNotifier_.get();
  }
  logic_ = std::make_unique<AdjustmentLogic>(kind, port, *notifier, overrideMask);
  const AdjustmentTraits& traits = logic_->traits();
  setControlId(this, traits.templateId);
  setWindowTitle(QString::fromUtf8(traits.caption));
  setWindowIcon(programIcon());
  setModal(false);
  setFont(dialogFont());

  const int clientWidth = traits.width - kFrameWidth;
  const int clientHeight = traits.height - kFrameHeight;
  const int rowHeight = (clientHeight - (traits.sliderCount + 1) * kMargin) / traits.sliderCount;
  const QFont large = largeValueFont(kLargeFontHeight, kLargeFontWidth);
  for (int i = 0; i < traits.sliderCount; ++i) {
    const auto index = static_cast<std::size_t>(i);
    const int y = kMargin + i * (rowHeight + kMargin);

    auto* field = new QLabel(this);
    setControlId(field, i == 0 ? ids::kAdjustUpperValue : ids::kAdjustLowerValue);
    field->setFont(large);
    field->setAutoFillBackground(true);
    field->setAlignment(Qt::AlignCenter);
    field->setTextFormat(Qt::PlainText);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, kAdjustValueText);
    field->setPalette(palette);
    field->setGeometry(kMargin, y, kFieldWidth, rowHeight);
    fields_[index] = field;

    auto* slider = new ReleaseSlider(Qt::Horizontal, this);
    setControlId(slider, i == 0 ? ids::kAdjustUpperSlider : ids::kAdjustLowerSlider);
    const SliderRange& range = traits.ranges[index];
    slider->setRange(range.min, range.max);
    slider->setTickInterval(range.tick);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setPageStep(range.tick);
    slider->setGeometry(2 * kMargin + kFieldWidth, y, clientWidth - 3 * kMargin - kFieldWidth,
                        rowHeight);
    sliders_[index] = slider;

    connect(slider, &QSlider::valueChanged, this, [this, i](int value) {
      if (pushing_) return;
      logic_->setPosition(i, value);
      pushText(i);
    });
    slider->onRelease = [this, i] {
      logic_->onSliderReleased(i);
      pushPositions();
      pushNotice();
    };
  }
  clientSize_ = QSize(clientWidth, clientHeight);
  // Below the sliders, shown only while there is something to say: the window grows by it.
  notice_ = new QLabel(this);
  notice_->setTextFormat(Qt::PlainText);
  notice_->setGeometry(kMargin, clientHeight, clientWidth - 2 * kMargin,
                       notice_->fontMetrics().height() + kMargin);
  notice_->hide();
  setFixedSize(clientSize_);
  // Told from inside another window's transaction: only the widgets change here.
  logic_->setChangedListener([this] {
    pushPositions();
    pushNotice();
  });
}

void AdjustmentDialog::pushNotice() {
  const std::string& text = logic_->notice();
  notice_->setText(QString::fromStdString(text));
  notice_->setVisible(!text.empty());
  setFixedSize(text.empty() ? clientSize_
                            : QSize(clientSize_.width(), clientSize_.height() + notice_->height()));
}

AdjustmentDialog::~AdjustmentDialog() = default;

void AdjustmentDialog::pushText(int index) {
  fields_.at(static_cast<std::size_t>(index))
      ->setText(QString::fromStdString(logic_->valueText(index)));
}

void AdjustmentDialog::pushPositions() {
  pushing_ = true;
  for (int i = 0; i < logic_->traits().sliderCount; ++i) {
    sliders_[static_cast<std::size_t>(i)]->setValue(logic_->position(i));
    pushText(i);
  }
  pushing_ = false;
}

void AdjustmentDialog::open(QSize ownerClientSize, QPoint ownerPosition) {
  if (!isVisible()) {
    const ScreenRect place =
        adjustmentPlacement(logic_->kind(), ownerClientSize.width(), ownerClientSize.height(),
                            ownerPosition.x(), ownerPosition.y());
    logic_->onShow();
    pushPositions();
    pushNotice();
    move(place.x, place.y);
    show();
  }
  raise();
  activateWindow();
  if (sliders_[0]) sliders_[0]->setFocus();
}

void AdjustmentDialog::closeProcedure() {
  if (logic_->onClose()) hide();
}

void AdjustmentDialog::reject() {
  closeProcedure();
}

void AdjustmentDialog::accept() {
  closeProcedure();
}

void AdjustmentDialog::closeEvent(QCloseEvent* event) {
  // The window is kept: the procedure hides it, or leaves it open on Cancel.
  event->ignore();
  closeProcedure();
}

void AdjustmentDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      closeProcedure();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

AdjustmentWindows::~AdjustmentWindows() = default;

void AdjustmentWindows::open(AdjustmentKind kind, QWidget* parent, QSize ownerClientSize,
                             QPoint ownerPosition) {
  auto& window = windows_.at(static_cast<std::size_t>(kind));
  if (!window)
    window = std::make_unique<AdjustmentDialog>(kind, port_, overrideMask_, parent, notifier_);
  window->open(ownerClientSize, ownerPosition);
}

}  // namespace vortlen
