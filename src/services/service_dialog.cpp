#include "service_dialog.h"

#include <QDialog>
#include <QHeaderView>
#include <QPalette>
#include <QTreeWidget>

#include "qt_window_services.h"
#include "view_support.h"

namespace vortlen {

DialogServices::DialogServices(QDialog* dialog, std::function<void()> onTick,
                               ServiceDialogOverrides overrides)
    : timer_(overrides.timer), notifier_(overrides.notifier), sleeper_(overrides.sleeper) {
  if (!timer_) {
    ownTimer_ = std::make_unique<QtWindowTimer>(dialog, std::move(onTick));
    timer_ = ownTimer_.get();
  }
  if (!notifier_) {
    ownNotifier_ = std::make_unique<QtNotifier>(dialog);
    notifier_ = ownNotifier_.get();
  }
  if (!sleeper_) {
    ownSleeper_ = std::make_unique<QtSleeper>();
    sleeper_ = ownSleeper_.get();
  }
}

DialogServices::~DialogServices() = default;

QTreeWidget* reportList(QWidget* parent, int id) {
  auto* list = new QTreeWidget(parent);
  setControlId(list, id);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setWordWrap(false);
  list->setTextElideMode(Qt::ElideNone);
  list->header()->setSectionsClickable(false);
  list->header()->setSectionsMovable(false);
  list->header()->setStretchLastSection(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  // The selection keeps its colour when the list loses the focus.
  QPalette palette = list->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  list->setPalette(palette);
  return list;
}

}  // namespace vortlen
