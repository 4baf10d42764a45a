#include "guide.h"

#include <QDir>
#include <QFileInfo>

namespace vortlen {

namespace {

constexpr const char* kGuideCaption = "Руководство";

}  // namespace

QStringList guidePlaces(const QString& programDir) {
  QStringList places{programDir + QStringLiteral("/../share/vortlen3/guide/index.html")};
#ifdef _WIN32
  places << programDir + QStringLiteral("/guide/index.html");
#endif
#ifdef VORTLEN3_BUILD_GUIDE
  places << QStringLiteral(VORTLEN3_BUILD_GUIDE);
#endif
  for (QString& place : places) place = QDir::cleanPath(QFileInfo(place).absoluteFilePath());
  return places;
}

QUrl openGuide(const QStringList& places, const UrlOpener& open, Notifier& notifier) {
  for (const QString& place : places) {
    if (!QFileInfo(place).isFile()) continue;
    const QUrl url = QUrl::fromLocalFile(place);
    if (open(url)) return url;
    notifier.message(
        "Не удалось показать руководство: нет программы, которая открывает "
        "страницы HTML (браузера).\nОткройте в браузере файл\n" +
            QDir::toNativeSeparators(place).toStdString(),
        kGuideCaption, MessageIcon::Exclamation);
    return {};
  }
  std::string looked;
  for (const QString& place : places)
    looked += "\n" + QDir::toNativeSeparators(place).toStdString();
  notifier.message("Руководство не найдено. Программа искала его здесь:" + looked +
                       "\nПереустановите программу; текст руководства есть и в файле guide.md "
                       "среди её документов.",
                   kGuideCaption, MessageIcon::Exclamation);
  return {};
}

}  // namespace vortlen
