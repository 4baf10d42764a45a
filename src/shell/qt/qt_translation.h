#pragma once

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>

namespace vortlen {

/// Makes the toolkit's own texts (context menus, standard buttons and dialogs) Russian: loads
/// qtbase_ru.qm from `folder` and installs it into `application`, which then owns it. Returns
/// whether it was found; without it those texts stay English and nothing is reported.
bool installQtRussianTexts(
    QCoreApplication& application,
    const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

}  // namespace vortlen
