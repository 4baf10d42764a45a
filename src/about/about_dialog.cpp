#include "about_dialog.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "about_links.h"
#include "adjust_ids.h"
#include "resources.h"
#include "view_support.h"
#include "vortlen3_version.h"

namespace vortlen {

namespace {

// The blanks make the static's word wrap break the description into its lines.
const char* const kDescription =
    " Программа Вортлен3 предназначена для диагностики,               регулировки двигателей "
    "ЗМЗ-406, ЗМЗ-405 контролируемых ЭБУ   микас 5.4, микас 7.1, микас 7.2";

const QColor kLinkColour(0, 0, 255);

template <class T>
T* place(QDialog* dialog, T* control, int id, int x, int y, int w, int h) {
  if (id != 0) setControlId(control, id);
  control->setGeometry(dialogRect(dialog->font(), x, y, w, h));
  return control;
}

}  // namespace

void ClickableText::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && onClick) onClick();
}

QUrl AboutDialog::mailUrl() {
  return QUrl(QString::fromStdString(makerMailLink()));
}

QUrl AboutDialog::webUrl() {
  return QUrl(QString::fromUtf8(kMakerWebSite));
}

AboutDialog::AboutDialog(QWidget* parent, LinkOpener openLink)
    : QDialog(parent), openLink_(std::move(openLink)) {
  if (!openLink_) openLink_ = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  // A caption, but no system menu and no close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setControlId(this, ids::kAboutDialog);
  setWindowTitle(QStringLiteral("    О программе"));
  setFont(dialogFont());
  setFixedSize(dialogRect(font(), 0, 0, 259, 95).size());

  auto* close = place(this, new QPushButton(QStringLiteral("Закрыть"), this), ids::kAboutClose, 201,
                      78, 50, 14);
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* icon = place(this, new QLabel(this), 0, 7, 7, 20, 20);
  icon->setPixmap(programIconPixmap());
  icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // The version sits beside the icon, in the band the description leaves free above it.
  auto* version =
      place(this, new QLabel(QStringLiteral("Версия %1").arg(QString::fromUtf8(kVersion)), this),
            ids::kAboutVersion, 35, 13, 210, 10);
  version->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* description = place(this, new QLabel(QString::fromUtf8(kDescription), this),
                            ids::kAboutText, 15, 45, 230, 27);
  description->setWordWrap(true);
  description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  description->setAutoFillBackground(true);
  QPalette white = description->palette();
  white.setColor(QPalette::Window, Qt::white);
  description->setPalette(white);

  const QCursor hand = linkCursor();
  const auto link = [&](int id, const QString& text, int x, int w, QUrl url) {
    auto* label = place(this, new ClickableText(text, this), id, x, 78, w, 12);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, kLinkColour);
    label->setPalette(blue);
    label->setCursor(hand);
    label->onClick = [this, url] { openLink_(url); };
  };
  link(ids::kAboutMailLink, QStringLiteral("Сообщить автору"), 27, 69, mailUrl());
  link(ids::kAboutWebLink, QStringLiteral("На сайт разработчика"), 111, 81, webUrl());
}

AdapterSchemeDialog::AdapterSchemeDialog(QWidget* parent) : QDialog(parent) {
  setControlId(this, ids::kAdapterSchemeDialog);
  setWindowTitle(QStringLiteral("                               Железобетонный адаптер K-Line"));
  setFont(dialogFont());
  auto* picture = place(this, new QLabel(this), ids::kAdapterSchemeBitmap, 3, 3, 305, 135);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The picture static takes the bitmap's own size; the window grows with it where the dialog
  // font's units would leave it too small.
  const QPixmap scheme = adapterSchemePixmap();
  picture->setPixmap(scheme);
  picture->resize(scheme.size());
  const QSize templateSize = dialogRect(font(), 0, 0, 312, 141).size();
  const QPoint margin = picture->pos();
  setFixedSize(std::max(templateSize.width(), picture->geometry().right() + 1 + margin.x()),
               std::max(templateSize.height(), picture->geometry().bottom() + 1 + margin.y()));
}

void AdapterSchemeDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vortlen
