#include "about_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>
#include <vector>

#include "about_links.h"
#include "adjust_ids.h"
#include "view_support.h"
#include "vortlen3_version.h"

namespace vortlen {
namespace {

class AboutDialogTest : public ::testing::Test {
 protected:
  QLabel* label(int id) {
    QLabel* found = findControl<QLabel>(&dialog, id);
    EXPECT_NE(found, nullptr) << id;
    return found;
  }

  std::vector<QUrl> opened;
  AboutDialog dialog{nullptr, [this](const QUrl& url) { opened.push_back(url); }};
};

TEST_F(AboutDialogTest, ThePointingHandShowsOverTheLinksAndTheArrowOverTheDescription) {
  for (const int id : {ids::kAboutMailLink, ids::kAboutWebLink}) {
    const QCursor cursor = label(id)->cursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << id;
    EXPECT_EQ(cursor.hotSpot(), QPoint(12, 1)) << id;
    const QImage hand = cursor.pixmap().toImage();
    ASSERT_EQ(hand.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(hand.pixel(cursor.hotSpot())), 255) << "the hot spot is on the fingertip";
  }
  EXPECT_EQ(label(ids::kAboutText)->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(AboutDialogTest, TheDescriptionSitsOnWhiteAndTheLinksAreBlue) {
  QLabel* description = label(ids::kAboutText);
  EXPECT_TRUE(description->autoFillBackground());
  EXPECT_EQ(description->palette().color(QPalette::Window), QColor(Qt::white));
  for (const int id : {ids::kAboutMailLink, ids::kAboutWebLink}) {
    EXPECT_EQ(label(id)->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << id;
    EXPECT_FALSE(label(id)->autoFillBackground()) << id;
  }
}

TEST_F(AboutDialogTest, ClicksOnTheLinksOpenTheMailAndTheWebAddresses) {
  QTest::mouseClick(label(ids::kAboutMailLink), Qt::LeftButton);
  QTest::mouseClick(label(ids::kAboutWebLink), Qt::LeftButton);
  ASSERT_EQ(opened.size(), 2u);
  const QUrl& mail = opened[0];
  EXPECT_EQ(mail.scheme(), "mailto");
  EXPECT_EQ(mail.path(), QString::fromUtf8(kMakerEmail));
  const QUrlQuery query(mail);
  EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), QStringLiteral("Вортлен3"));
  EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded),
            QStringLiteral("Сообщение о программе:"));
  EXPECT_EQ(opened[1], QUrl(QString::fromUtf8(kMakerWebSite)));
  EXPECT_TRUE(opened[1].isValid());
}

TEST_F(AboutDialogTest, TheVersionFitsBesideTheIconWithoutTouchingAnyOtherControl) {
  QLabel* version = label(ids::kAboutVersion);
  EXPECT_EQ(version->text(), QStringLiteral("Версия ") + QString::fromUtf8(kVersion));
  EXPECT_LE(version->fontMetrics().horizontalAdvance(version->text()), version->width());
  EXPECT_GE(version->height(), version->fontMetrics().height());
  EXPECT_TRUE(dialog.rect().contains(version->geometry()));
  for (QWidget* other : dialog.findChildren<QWidget*>()) {
    if (other == version || other->isWindow()) continue;
    EXPECT_FALSE(version->geometry().intersects(other->geometry()))
        << other->objectName().toStdString();
  }
}

TEST(AdapterSchemeDialogTest, ShowsTheWholeDiagramAndClosesOnEnter) {
  AdapterSchemeDialog dialog;
  QLabel* picture = findControl<QLabel>(&dialog, ids::kAdapterSchemeBitmap);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->pixmap().size(), QSize(457, 220));
  EXPECT_TRUE(dialog.rect().contains(picture->geometry()));
  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace vortlen
