#include "qsettings_store.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

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

TEST_F(QSettingsStoreTest, AStoreThatCannotBeWrittenSaysWhereAndWhy) {
  QFile blocker(home_.path() + "/Vortlen3");  // a file where the folder should be
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  store_.writeSetting(kMainSubkey, kPortName, 3);
  store_.writeSetting(kMainSubkey, kActiveSetName, 2);
  EXPECT_EQ(store_.readSetting(kMainSubkey, kPortName, 1), 1u);
  const std::string problem = store_.takeSaveProblem();
  EXPECT_EQ(problem, iniPath().toStdString() + ": на месте папки " +
                         (home_.path() + "/Vortlen3").toStdString() + " находится файл");
  EXPECT_EQ(store_.takeSaveProblem(), "") << "reported once";

  ASSERT_TRUE(QFile::remove(home_.path() + "/Vortlen3"));
  ASSERT_TRUE(QDir().mkpath(iniPath()));  // a folder where the file should be
  store_.writeSetting(kMainSubkey, kPortName, 3);
  EXPECT_EQ(store_.takeSaveProblem(), iniPath().toStdString() + ": на месте файла находится папка");
}

// A folder the user may not write to, with the settings of an earlier run in it: the test
// itself, again, as nobody. The earlier settings come through whole.
TEST_F(QSettingsStoreTest, AReadOnlyFolderKeepsWhatWasSaved) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can become nobody";
  store_.writeSetting(kMainSubkey, kPortName, 2);
  QFile::setPermissions(home_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
  const QString command = QStringLiteral(
                              "setpriv --reuid=nobody --regid=nogroup --clear-groups env "
                              "VORTLEN3_SETTINGS_AS_NOBODY='%1' %2 "
                              "--gtest_filter=QSettingsStoreAsNobody.* >/dev/null 2>&1")
                              .arg(home_.path(), QFile::symLinkTarget("/proc/self/exe"));
  const int status = std::system(command.toLocal8Bit().constData());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "as nobody the failed write was not reported";
  EXPECT_EQ(store_.readSetting(kMainSubkey, kPortName, 1), 2u);
  EXPECT_EQ(store_.readSetting(kMainSubkey, kActiveSetName, 1), 1u);
}

// Run by the test above as the user nobody.
TEST(QSettingsStoreAsNobody, WritesFailAndSaySo) {
  const QByteArray home = qgetenv("VORTLEN3_SETTINGS_AS_NOBODY");
  if (home.isEmpty()) GTEST_SKIP() << "run as nobody by AReadOnlyFolderKeepsWhatWasSaved";
  qputenv("XDG_CONFIG_HOME", home);
  QSettingsStore store;
  store.writeSetting(kMainSubkey, kPortName, 4);
  store.writeSetting(kMainSubkey, kActiveSetName, 5);
  const std::string problem = store.takeSaveProblem();
  EXPECT_EQ(problem, (QString::fromLocal8Bit(home) + "/Vortlen3/Vortlen3.ini").toStdString() +
                         ": нет права записи в папку " +
                         (QString::fromLocal8Bit(home) + "/Vortlen3").toStdString());
}

}  // namespace
}  // namespace vortlen
