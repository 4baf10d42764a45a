#include "qt_translation.h"

#include <QTranslator>

namespace vortlen {

bool installQtRussianTexts(QCoreApplication& application, const QString& folder) {
  auto* translator = new QTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_ru"), folder) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace vortlen
