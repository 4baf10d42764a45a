#pragma once

#include "qt_window_services.h"

class QFont;
class QTreeWidget;
class QWidget;

namespace vortlen {

/// A report-style list: column headers that do not react to clicks, no tree decoration,
/// the selection shown even when the list has no focus.
QTreeWidget* reportList(QWidget* parent, int id);

/// The passport, faults and fuel-table windows are laid out for the dialog face at 10 points.
QFont serviceDialogFont();

}  // namespace vortlen
