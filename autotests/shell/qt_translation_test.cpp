#include "qt_translation.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>
#include <memory>

namespace vortlen {
namespace {

// The texts of a text field's context menu, mnemonics and shortcuts left out.
QStringList contextMenuTexts() {
  QLineEdit field(QStringLiteral("ЗМЗ-406"));
  std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
  QStringList texts;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) texts << action->text().remove('&').section('\t', 0, 0);
  }
  return texts;
}

// The test main has installed the Russian texts, as the program does at start-up.
TEST(QtRussianTexts, AFieldsContextMenuSpeaksRussian) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("qtbase_ru.qm"))))
    GTEST_SKIP() << "qt6-translations-l10n is not installed";
  const QStringList texts = contextMenuTexts();
  EXPECT_TRUE(texts.contains(QString::fromUtf8("Копировать"))) << texts.join(',').toStdString();
  EXPECT_TRUE(texts.contains(QString::fromUtf8("Вставить"))) << texts.join(',').toStdString();
  EXPECT_FALSE(texts.contains(QStringLiteral("Copy"))) << texts.join(',').toStdString();
}

TEST(QtRussianTexts, AFolderWithoutTheTranslationIsPassedOverSilently) {
  QTemporaryDir empty;
  ASSERT_TRUE(empty.isValid());
  auto& application = *QCoreApplication::instance();
  const int translators = application.findChildren<QTranslator*>().size();
  EXPECT_FALSE(installQtRussianTexts(application, empty.path()));
  EXPECT_EQ(application.findChildren<QTranslator*>().size(), translators);
}

}  // namespace
}  // namespace vortlen
