#include "main_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "guide.h"
#include "link_result.h"
#include "main_replay.h"
#include "record_view.h"
#include "resource_ids.h"
#include "simulated_bench.h"
#include "view_support.h"

namespace vortlen {
namespace {

// One slider window that a value field opens; the program's own table is the application's.
struct NoChildren final : ChildWindows {
  std::span<const ChildWindowEntry> windows() const override { return table; }
  void open(const ChildWindowEntry& window) override { opened.push_back(window.command); }
  void runSettings(unsigned&) override { opened.push_back(ids::kCmdSettings); }
  void mainWindowResized(int width, int height) override { clientSize = QSize(width, height); }
  void mainWindowMoved(int x, int y) override { position = QPoint(x, y); }
  std::vector<ChildWindowEntry> table{
      {ids::kCmdIdleValveAdjust, MainMenu::Adjustments, "Положение РДВ", "", false}};
  std::vector<int> opened;
  QSize clientSize;
  QPoint position;
};

// The main window on the offscreen platform, polling the simulated ECU through fakes.
class MainDialogTest : public test::SimulatedBenchTest {
 protected:
  MainDialogTest() : SimulatedBenchTest(test::Com1::Present) {
    settings.values["Главное/РазмерОкна"] = 1;
  }

  void startAt(int clientWidth, int clientHeight) {
    dialog.startUp();
    resizeTo(dialog, clientWidth, clientHeight);
  }

  static void resizeTo(MainDialog& window, int clientWidth, int clientHeight) {
    // Again: a narrow window gives the menu titles a smaller font, and the bar a new height.
    for (int i = 0; i < 3 && window.clientArea()->size() != QSize(clientWidth, clientHeight); ++i) {
      const int menuHeight = window.height() - window.clientArea()->height();
      window.resize(clientWidth, clientHeight + menuHeight);
      QApplication::processEvents();
    }
    ASSERT_EQ(window.clientArea()->size(), QSize(clientWidth, clientHeight));
  }

  template <class T = QWidget>
  T* control(int id) {
    T* widget = findControl<T>(&dialog, id);
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }

  QColor textColour(int id) { return control<QLabel>(id)->palette().color(QPalette::WindowText); }
  QColor background(int id) { return control<QLabel>(id)->palette().color(QPalette::Window); }

  NoChildren children;
  MainDialog dialog{port, settings, powerOff, children, {&timer, &notifier, &sleeper}};
};

TEST_F(MainDialogTest, TheWholeWindowTakesTheCentredPlace) {
  dialog.startUp();
  QApplication::processEvents();
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const Rect place = initialPlacement(screen.width(), screen.height());
  // The offscreen platform draws a frame of its own around the window.
  const QRect frame = dialog.frameGeometry();
  ASSERT_GT(frame.height(), dialog.height());
  EXPECT_EQ(frame.topLeft(), QPoint(place.x, place.y));
  EXPECT_EQ(frame.height(), place.height);
  EXPECT_EQ(frame.width(), std::max(place.width, 640 + frame.width() - dialog.width()));
}

TEST_F(MainDialogTest, At640x480TheControlsTakeTheirPlaces) {
  startAt(640, 480);
  EXPECT_EQ(control(ids::kHeaderStatus)->geometry(), QRect(467, 10, 160, 21));
  EXPECT_EQ(control(ids::kFirstValue)->geometry(), QRect(251, 14, 80, 32));
  EXPECT_EQ(control(ids::kFirstFlag)->geometry(), QRect(361, 43, 261, 22));
  EXPECT_EQ(control(ids::kFirstCylinder + 3)->geometry(), QRect(558, 395, 64, 22));
  EXPECT_EQ(control(ids::kFirstValue)->font().pixelSize(), 30);
  EXPECT_EQ(control(ids::kFirstCaption)->font().pixelSize(), 16);
  EXPECT_EQ(control(ids::kFirstFlag)->font().pixelSize(), 20);
  EXPECT_EQ(control<QLabel>(ids::kFirstFlag + 14)->text(), QStringLiteral("Детонация"));
  EXPECT_EQ(control<QLabel>(ids::kFirstCylinder)->text(), QStringLiteral("Цил 1"));
  // The adjustment windows hear of the main window's client size and its place on the screen.
  EXPECT_EQ(children.clientSize, QSize(640, 480));
  dialog.move(33, 44);
  QApplication::processEvents();
  EXPECT_EQ(children.position, dialog.clientArea()->mapToGlobal(QPoint(0, 0)));
  EXPECT_GT(children.position.y(), dialog.y() + 10) << "below the menu bar";

  // Every menu title has its place on the bar at the smallest size.
  auto* bar = control<QMenuBar>(ids::kMainMenu);
  for (QAction* action : bar->actions()) {
    const QRect place = bar->actionGeometry(action);
    EXPECT_TRUE(bar->rect().contains(place) && !place.isEmpty()) << action->text().toStdString();
  }
}

TEST_F(MainDialogTest, PollingShowsValuesAndColours) {
  startAt(800, 600);
  for (int i = 0; i < 4; ++i) dialog.logic().onPollTimer();
  EXPECT_FALSE(control<QLabel>(ids::kHeaderStatus)->text().isEmpty());
  EXPECT_FALSE(control<QLabel>(ids::kFirstValue + 7)->text().isEmpty());
  EXPECT_EQ(textColour(ids::kFirstValue), QColor(100, 255, 255));
  EXPECT_EQ(background(ids::kFirstValue), QColor(0, 0, 0));
  EXPECT_EQ(textColour(ids::kHeaderStatus), QColor(89, 89, 89));
  EXPECT_EQ(background(ids::kHeaderStatus), QColor(224, 224, 224));
  // The idling engine's mode word has its idle bit set.
  EXPECT_EQ(background(ids::kFirstFlag + 2), QColor(180, 130, 80));
  EXPECT_EQ(background(ids::kFirstFlag + 15), QColor(60, 60, 60));

  EXPECT_TRUE(control(ids::kHeaderStatus)->toolTip().isEmpty());

  adapter.setOptions(test::adapterOff());
  dialog.logic().onPollTimer();
  EXPECT_EQ(textColour(ids::kHeaderStatus), QColor(170, 0, 0));
  EXPECT_TRUE(control<QLabel>(ids::kFirstValue)->text().isEmpty());
  EXPECT_EQ(background(ids::kFirstFlag + 2), QColor(60, 60, 60));
  EXPECT_EQ(control<QProgressBar>(ids::kFirstBar)->value(), 115);

  // The next connection attempt shows the link message, which carries what the guide says to
  // check.
  EXPECT_TRUE(control(ids::kHeaderStatus)->toolTip().isEmpty());
  dialog.logic().onPollTimer();
  ASSERT_EQ(control<QLabel>(ids::kHeaderStatus)->text(), QStringLiteral("Не включен адаптер"));
  EXPECT_EQ(control(ids::kHeaderStatus)->toolTip().toStdString(),
            "Что проверить:\n" + std::string(linkRemedy("Не включен адаптер")));
}

TEST_F(MainDialogTest, EcuTextsAreShownAsTheyCameNeverAsMarkup) {
  ecu.setServiceText(0x51, {'<', 'h', '1', '>', 'M', '7', '<', '/', 'h', '1', '>', 0});
  ecu.setServiceText(0x58, {'<', 'u', '>', '4', '0', '6', '<', '/', 'u', '>', 0});
  startAt(800, 600);
  for (int i = 0; i < 4; ++i) dialog.logic().onPollTimer();
  for (int id : {ids::kHeaderStatus, ids::kHeaderStatus + 1}) {
    auto* header = control<QLabel>(id);
    ASSERT_TRUE(header->text().contains('<')) << header->text().toStdString();
    // Shown as text, the tags take their room on the line; as markup they would take none.
    EXPECT_GE(header->sizeHint().width(), header->fontMetrics().horizontalAdvance(header->text()));
    EXPECT_LT(header->sizeHint().height(), 2 * header->fontMetrics().height());
  }
}

TEST_F(MainDialogTest, SetKeysMoveTheCheckMarkAndTheCursorFollowsTheSet) {
  settings.values["Главное/Набор"] = 2;
  startAt(640, 480);
  auto checked = [this] {
    QList<int> sets;
    for (int i = 0; i < 5; ++i) {
      if (dialog.commandAction(ids::kSetCommands[i])->isChecked()) sets << i + 1;
    }
    return sets;
  };
  EXPECT_EQ(checked(), QList<int>({2}));
  EXPECT_TRUE(control(ids::kFirstValue)->testAttribute(Qt::WA_SetCursor));

  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(&dialog, Qt::Key_F3, Qt::ControlModifier);
  EXPECT_EQ(checked(), QList<int>({3}));
  EXPECT_EQ(dialog.logic().activeSet(), 3);
  EXPECT_EQ(control<QLabel>(ids::kFirstCaption + 7)->text(),
            QStringLiteral("Напряж.  в канале RDIA (вольт)"));
  for (int slot = 0; slot < 8; ++slot) {
    EXPECT_FALSE(control(ids::kFirstValue + slot)->testAttribute(Qt::WA_SetCursor)) << slot;
  }
  QTest::mouseClick(control(ids::kFirstValue), Qt::LeftButton);
  EXPECT_TRUE(children.opened.empty());

  QTest::keyClick(&dialog, Qt::Key_F1, Qt::ControlModifier);
  QTest::keyClick(&dialog, Qt::Key_F1, Qt::ControlModifier);  // the active set again
  EXPECT_EQ(checked(), QList<int>({1}));
  dialog.commandAction(ids::kSetCommands[0])->trigger();
  EXPECT_EQ(checked(), QList<int>({1}));
  EXPECT_TRUE(control(ids::kFirstValue + 6)->testAttribute(Qt::WA_SetCursor));
  EXPECT_FALSE(control(ids::kFirstValue + 1)->testAttribute(Qt::WA_SetCursor));
  QTest::mouseClick(control(ids::kFirstValue + 6), Qt::LeftButton);
  EXPECT_EQ(children.opened, std::vector<int>{ids::kCmdIdleValveAdjust});
}

TEST_F(MainDialogTest, EnterAndEscapeLeaveTheWindowOpenAndClosingSavesOnce) {
  startAt(640, 480);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClick(&dialog, Qt::Key_Escape);
  QTest::keyClick(&dialog, Qt::Key_Return);
  QTest::keyClick(&dialog, Qt::Key_Enter);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(settings.values.count("Главное/Набор"), 0u);

  // The window is gone before the exit waits for the ECU, and its show state was kept.
  std::vector<bool> visibleWhileWaiting;
  sleeper.onSleep = [&](int) { visibleWhileWaiting.push_back(dialog.isVisible()); };
  dialog.close();
  EXPECT_EQ(visibleWhileWaiting, std::vector<bool>{false});
  EXPECT_EQ(settings.values["Главное/РазмерОкна"], 1u);
  EXPECT_EQ(settings.values["Главное/Набор"], 1u);
  EXPECT_EQ(sleeper.sleeps, std::vector<int>{100});
  dialog.close();
  EXPECT_EQ(sleeper.sleeps, std::vector<int>{100});
  EXPECT_EQ(powerOff.calls, 0);
}

// A replay of set 1: two answers ten minutes apart.
Recording recordingOfSet1() {
  RecordedAnswer answer;
  answer.length = static_cast<std::uint8_t>(parameterSet(1).answerLength);
  Recording recording;
  recording.answers.assign(2, answer);
  recording.answers[1].ms = 600'000;
  return recording;
}

// Every menu title has its place on the bar, none behind the overflow button, and the
// indicator shows whole beside them.
void expectEveryTitleAndTheIndicator(MainDialog& window) {
  auto* bar = findControl<QMenuBar>(&window, ids::kMainMenu);
  auto* indicator = bar->findChild<RecordIndicator*>(QStringLiteral("recordIndicator"));
  ASSERT_TRUE(indicator && indicator->isVisible());
  indicator->refresh();  // as its clock does
  QApplication::processEvents();
  const QRect shown = indicator->geometry();
  EXPECT_TRUE(bar->rect().contains(shown) && shown.width() >= indicator->sizeHint().width());
  for (QAction* action : bar->actions()) {
    const QRect place = bar->actionGeometry(action);
    EXPECT_TRUE(bar->rect().contains(place) && !place.isEmpty() && !place.intersects(shown))
        << action->text().toStdString();
  }
  for (QWidget* button : bar->findChildren<QWidget*>(QStringLiteral("qt_menubar_ext_button")))
    EXPECT_FALSE(button->isVisible());
}

TEST_F(MainDialogTest, WhileRecordingOrReplayingEveryMenuTitleStaysOnTheBar) {
  const std::string folder = testing::TempDir() + "vortlen3-indicator";
  QtRecordClock clock;
  Recorder recorder(folder, clock);
  MainDialog recording{port,     settings, powerOff, children, {&timer, &notifier, &sleeper},
                       &recorder};
  recording.startUp();
  resizeTo(recording, 640, 480);
  recording.toggleRecording();
  QApplication::processEvents();
  expectEveryTitleAndTheIndicator(recording);
  recording.playRecording(recordingOfSet1());
  for (const bool replaying : {true, false}) {
    if (!replaying) recording.endReplay();
    for (const int width : {640, 787}) {
      SCOPED_TRACE((replaying ? "replaying at " : "recording at ") + std::to_string(width));
      resizeTo(recording, width, 480);
      expectEveryTitleAndTheIndicator(recording);
    }
  }
  std::filesystem::remove_all(folder);
}

TEST_F(MainDialogTest, AReplayEndsBeforeACommandRunsAndOnEscapeWhereverTheKeyboardIs) {
  startAt(640, 480);
  dialog.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  for (const int command : {ids::kCmdSettings, ids::kCmdIdleValveAdjust}) {
    dialog.playRecording(recordingOfSet1());
    ASSERT_TRUE(dialog.replaying());
    children.opened.clear();
    dialog.commandAction(command)->trigger();
    EXPECT_EQ(children.opened, std::vector<int>{command});
    EXPECT_FALSE(dialog.replaying()) << command;
  }

  // A menu opened and closed with Escape leaves the menu bar holding the keyboard; the next
  // Escape still ends the replay, and Space there still goes to it.
  dialog.playRecording(recordingOfSet1());
  auto* bar = control<QMenuBar>(ids::kMainMenu);
  QAction* extra = bar->actions().at(8);
  ASSERT_EQ(extra->text(), QStringLiteral("Дополнительно"));
  bar->setActiveAction(extra);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(extra->menu()));
  QTest::keyClick(extra->menu(), Qt::Key_Escape);
  ASSERT_EQ(QApplication::focusWidget(), bar);
  QTest::keyClick(bar, Qt::Key_Space);
  EXPECT_TRUE(dialog.replay()->replay()->paused());
  QTest::keyClick(bar, Qt::Key_Escape);
  EXPECT_FALSE(dialog.replaying());
}

// The header's tooltips are the guide's own lists: each link message has its section in the
// guide's chapter on link messages, and its «Что проверить» is the remedy, item for item.
TEST(LinkRemedyTest, EveryLinkMessageHasTheGuidesRemedy) {
  std::ifstream file(VORTLEN3_GUIDE_MD);
  ASSERT_TRUE(file) << VORTLEN3_GUIDE_MD;
  std::stringstream text;
  text << file.rdbuf();
  const std::string guide = text.str();
  for (int code = 1; code < kLinkResultCount; ++code) {
    const std::string message(linkMessage(static_cast<LinkResult>(code)));
    const std::string remedy(linkRemedy(message));
    ASSERT_FALSE(remedy.empty()) << message;
    const std::size_t section = guide.find("\n### «" + message + "»\n");
    ASSERT_NE(section, std::string::npos) << message;
    const std::string heading = "\nЧто проверить:\n";
    const std::size_t list = guide.find(heading, section);
    ASSERT_NE(list, std::string::npos) << message;
    // The list's items, one a line: continuation lines joined, the markup left out.
    std::string items;
    const std::size_t first = list + heading.size();
    std::istringstream lines(guide.substr(first, guide.find("\n\n", first) - first));
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("   ")) {
        items += " " + line.substr(3);
      } else {
        items += (items.empty() ? "" : "\n") + line;
      }
    }
    std::erase(items, '`');
    EXPECT_EQ(remedy, items) << message;
  }
}

// «Руководство», last in «Дополнительно», hands the browser the guide's page as a file that
// exists; without the page, the message says where the program looked.
TEST_F(MainDialogTest, TheGuideOpensAsAFileThatExistsOrSaysWhereItLooked) {
  startAt(800, 600);
  std::vector<QUrl> opened;
  const UrlOpener open = [&opened](const QUrl& url) {
    opened.push_back(url);
    return true;
  };
  dialog.setUrlOpener(open);
  QMenu* extra = nullptr;
  for (QAction* title : control<QMenuBar>(ids::kMainMenu)->actions()) {
    if (title->text() == QStringLiteral("Дополнительно")) extra = title->menu();
  }
  ASSERT_NE(extra, nullptr);
  QAction* guide = extra->actions().back();
  EXPECT_EQ(guide->text(), QStringLiteral("Руководство"));
  guide->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(notifier.messages.empty());
  const QUrl url = opened.front();
  ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
  QFile page(url.toLocalFile());
  ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << url.toLocalFile().toStdString();
  EXPECT_TRUE(QString::fromUtf8(page.readAll()).contains(QStringLiteral("src=\"images/")));
  // Its pictures are beside it.
  EXPECT_TRUE(QFileInfo(url.toLocalFile()).dir().exists(QStringLiteral("images/main-window.png")));

  const QStringList nowhere{QStringLiteral("/nonexistent/a/index.html"),
                            QStringLiteral("/nonexistent/b/index.html")};
  EXPECT_TRUE(openGuide(nowhere, open, notifier).isEmpty());
  EXPECT_EQ(opened.size(), 1u);
  ASSERT_EQ(notifier.messages.size(), 1u);
  for (const QString& place : nowhere) {
    EXPECT_NE(notifier.messages[0].text.find(place.toStdString()), std::string::npos);
  }
}

}  // namespace
}  // namespace vortlen
