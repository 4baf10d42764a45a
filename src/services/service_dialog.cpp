#include "service_dialog.h"

#include <QFont>
#include <QHeaderView>
#include <QPalette>
#include <QTreeWidget>

#include "view_support.h"

namespace vortlen {

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

QFont serviceDialogFont() {
  QFont font = dialogFont();
  font.setPointSize(10);
  return font;
}

}  // namespace vortlen
