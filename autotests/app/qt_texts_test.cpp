#include <gtest/gtest.h>

#include <QString>
#include <QTranslator>

namespace vortlen {
namespace {

// The program carries Qt's own Russian texts inside itself: a Windows PC has no Qt translations
// folder to load them from.
TEST(ProgramQtTexts, AreInsideTheProgram) {
  QTranslator translator;
  ASSERT_TRUE(translator.load(QStringLiteral("qtbase_ru"), QStringLiteral(":/i18n")));
  EXPECT_EQ(translator.translate("QLineEdit", "&Copy").remove('&'), QString::fromUtf8("Копировать"));
}

}  // namespace
}  // namespace vortlen
