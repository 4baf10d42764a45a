#pragma once

#include "qt_window_services.h"

class QTreeWidget;
class QWidget;

namespace vortlen {

/// A report-style list: column headers that do not react to clicks, no tree decoration,
/// the selection shown even when the list has no focus.
QTreeWidget* reportList(QWidget* parent, int id);

}  // namespace vortlen
