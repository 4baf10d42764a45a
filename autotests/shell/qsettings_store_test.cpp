#include "qsettings_store.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace vortlen {
namespace {

// Each test gets its own configuration home, so the user's real settings are never touched.
class QSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    saved_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
  }
  void TearDown() override {
    if (saved_.isNull()) {
      qunsetenv("XDG_CONFIG_HOME");
    } else {
      qputenv("XDG_CONFIG_HOME", saved_);
    }
  }
  QString iniPath() const { return home_.path() + "/Vortlen3/Vortlen3.ini"; }

  QTemporaryDir home_;
  QSettingsStore store_;
  QByteArray saved_;
};

// How the INI file spells "Главное" and "КомПорт": Qt escapes non-ASCII characters as %Uxxxx.
constexpr char kMainGroupLine[] = "[%U0413%U043B%U0430%U0432%U043D%U043E%U0435]";
constexpr char kPortKey[] = "%U041A%U043E%U043C%U041F%U043E%U0440%U0442";

TEST_F(QSettingsStoreTest, ValuesRoundTripThroughTheFileUnderTheirCyrillicNames) {
  EXPECT_EQ(store_.readSetting(kMainSubkey, kShowStateName, 3), 3u);
  EXPECT_FALSE(QFile::exists(iniPath())) << "reading creates nothing";

  store_.writeSetting(kMainSubkey, kPortName, 2);
  store_.writeSetting(kMainSubkey, kPortName, 3);
  store_.writeSetting(kActuatorSubkey, "Обороты", 0xFFFFFFFFu);
  store_.writeSetting(kGraphSubkey, "Face", 0);

  QSettingsStore nextRun;
  EXPECT_EQ(nextRun.readSetting(kMainSubkey, kPortName, 1), 3u);
  EXPECT_EQ(nextRun.readSetting(kActuatorSubkey, "Обороты", 1000), 0xFFFFFFFFu);
  EXPECT_EQ(nextRun.readSetting(kGraphSubkey, "Face", 1), 0u);
  EXPECT_EQ(nextRun.readSetting(kGraphSubkey, kPortName, 9), 9u) << "groups are separate";

  QFile file(iniPath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray ini = file.readAll();
  EXPECT_TRUE(ini.contains(QByteArray(kMainGroupLine) + "\n" + kPortKey + "=3\n")) << ini.data();
}

TEST_F(QSettingsStoreTest, HandWrittenValuesThatAreNotUnsigned32BitGiveTheFallback) {
  ASSERT_TRUE(QDir().mkpath(home_.path() + "/Vortlen3"));
  QFile file(iniPath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(kMainGroupLine) + "\n" + kPortKey + "=4\n" +
             "[%U0413%U0440%U0430%U0444%U0438%U043A]\n"  // График
             "LenLine= 12 \nMaxText1=4294967295\nMaxText2=4294967296\nMaxText3=-1\n"
             "MaxText4=abc\nNabor=12abc\nFace=\nExtra=1, 2\nHex=0x10\n");
  file.close();

  EXPECT_EQ(store_.readSetting(kMainSubkey, kPortName, 1), 4u);
  EXPECT_EQ(store_.readSetting(kGraphSubkey, "LenLine", 4), 12u);
  EXPECT_EQ(store_.readSetting(kGraphSubkey, "MaxText1", 0), 0xFFFFFFFFu);
  for (const char* name : {"MaxText2", "MaxText3", "MaxText4", "Nabor", "Face", "Extra", "Hex"}) {
    EXPECT_EQ(store_.readSetting(kGraphSubkey, name, 77), 77u) << name;
  }
}

TEST_F(QSettingsStoreTest, AStoreThatCannotBeWrittenLosesTheValueSilently) {
  QFile blocker(home_.path() + "/Vortlen3");  // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  store_.writeSetting(kMainSubkey, kPortName, 3);
  EXPECT_EQ(store_.readSetting(kMainSubkey, kPortName, 1), 1u);
}

}  // namespace
}  // namespace vortlen
