#include "phase_test_dialog.h"

#include <QKeyEvent>
#include <QPainter>

#include "graph_ids.h"
#include "qt_window_services.h"
#include "view_support.h"

namespace vortlen {

namespace {

const QColor kBackground(40, 118, 130);
const QColor kTextColour(250, 178, 178);
const QPen kGridPen(QColor(0, 80, 40), 1);
const QPen kReferencePen(QColor(140, 218, 230), 1);
const QPen kMeasurementPen(QColor(255, 255, 80), 1);

void writeAt(QPainter& painter, int x, int y, const QString& text) {
  painter.drawText(QRect(x, y, kPhasePictureWidth, kPhasePictureHeight),
                   Qt::AlignLeft | Qt::AlignTop, text);
}

}  // namespace

void drawPhasePicture(QImage& picture, const PhaseFrame& frame, const QFont& font) {
  QPainter painter(&picture);
  painter.fillRect(0, 0, kPhasePictureWidth, kPhasePictureHeight, kBackground);
  painter.setPen(kGridPen);
  for (int x = 20; x <= 580; x += 20) painter.drawLine(x, 0, x, 510);
  for (int y = 21; y <= 481; y += 20) painter.drawLine(0, y, 600, y);
  painter.setPen(kReferencePen);
  painter.drawLine(300, 0, 300, 600);
  painter.drawLine(0, 342, 600, 342);

  painter.setFont(font);
  switch (frame.kind) {
    case PhaseFrame::Kind::Grid:
      return;
    case PhaseFrame::Kind::Failure:
      painter.setPen(kTextColour);
      writeAt(painter, 180, 202, QString::fromStdString(frame.failure));
      return;
    case PhaseFrame::Kind::Reading:
      break;
  }
  painter.setPen(kTextColour);
  for (std::size_t i = 0; i < frame.values.size(); ++i) {
    writeAt(painter, 200, 100 + 50 * static_cast<int>(i), QString::fromStdString(frame.values[i]));
  }
  writeAt(painter, 5, 477, QString::fromUtf8(kPhaseTestReminder));
  painter.setPen(kMeasurementPen);
  painter.drawLine(frame.vacuumX, 0, frame.vacuumX, 510);
  painter.drawLine(0, frame.speedY, 600, frame.speedY);
}

PhaseTestDialog::PhaseTestDialog(SharedPort& port, QWidget* parent, WindowTimer* timer)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      picture_(kPhasePictureWidth, kPhasePictureHeight, QImage::Format_RGB32),
      font_(largeValueFont(32, 10)) {
  setControlId(this, ids::kPhaseTestDialog);
  // Modal from its first show, which comes before exec(): the main window takes no input
  // while this window talks to the ECU.
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromUtf8("Двигатель ЗМЗ 4063 (карбюратор)  Тест фаз ГРМ"));
  // The template's 400 × 314 units are the picture's 600 × 510 pixels in the face it was made
  // for; the picture fills the client area whatever face this system has.
  setFixedSize(kPhasePictureWidth, kPhasePictureHeight);
  if (!timer) {
    ownTimer_ = std::make_unique<QtWindowTimer>(this, [this] { logic_->onTimer(); });
    timer = ownTimer_.get();
  }
  PhaseTestView& view = *this;
  logic_ = std::make_unique<PhaseTestLogic>(port, *timer, view);
}

PhaseTestDialog::~PhaseTestDialog() {
  logic_.reset();
}

void PhaseTestDialog::startUp() {
  show();
  logic_->onInit();
}

int PhaseTestDialog::run() {
  startUp();
  return exec();
}

void PhaseTestDialog::drawFrame(const PhaseFrame& frame) {
  drawPhasePicture(picture_, frame, font_);
  update(0, 0, kPhasePictureWidth, kPhasePictureHeight);
}

void PhaseTestDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

void PhaseTestDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  if (event->key() == Qt::Key_Escape) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vortlen
