#include "actuator_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "actuator_fake_ecu.h"
#include "actuator_ids.h"
#include "view_support.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::Bytes;

const Bytes kReleaseRequest = {0x62, 0x09, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C,
                               0x00, 0x0D, 0x00, 0x0E, 0x00, 0x0F, 0x00};

// Dialog 120 on the offscreen platform, against an ECU whose answers the test chooses.
class ActuatorDialogTest : public ::testing::Test {
 protected:
  ActuatorDialogTest() {
    dialog.show();
    QApplication::processEvents();
  }

  template <class T = QWidget>
  T* control(int id) {
    T* widget = findControl<T>(&dialog, id);
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }

  void tick(int times = 1) {
    for (int i = 0; i < times; ++i) dialog.logic().onTimer();
  }

  std::vector<QWidget*> fourteenControls() {
    std::vector<QWidget*> controls;
    for (int id : ids::kRelayBoxes) controls.push_back(control(id));
    for (int id : ids::kInjectorBoxes) controls.push_back(control(id));
    for (int id : {ids::kBalanceStart, ids::kBalanceStop, ids::kBalanceTarget, ids::kBalanceCycles,
                   ids::kBalanceImbalance}) {
      controls.push_back(control(id));
    }
    return controls;
  }

  static test::FakeEcuPort preparedEcu() {
    test::FakeEcuPort port;
    port.answers[{0x61, 0x09, 0x0D}] = {0x0A, 0x05};
    port.answers[{0x61, 0x1A, 0x2C}] = {130, 80};
    port.answers[{0x61, 0x2C, 0x5C}] = {80, 50};
    return port;
  }
  static test::MemorySettings storedChoices() {
    test::MemorySettings store;
    store.values["Механизмы/Обороты"] = 1100;
    store.values["Механизмы/Циклы"] = 50;
    store.values["Механизмы/Дисбаланс"] = 0;
    return store;
  }

  // Made before the dialog, whose making reads the relays and injectors.
  test::FakeEcuPort ecu = preparedEcu();
  SharedPort shared{ecu};
  bool portOpen = shared.openPort(1);
  test::MemorySettings settings = storedChoices();
  test::FakeTimer timer;
  test::FakeNotifier notifier;
  test::FakeSleeper sleeper;
  ActuatorDialog dialog{shared, settings, nullptr, {&timer, &notifier, &sleeper}};
};

TEST_F(ActuatorDialogTest, TheWindowShowsTheInitialReadAndTheStoredChoices) {
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Тесты исполнительных механизмов   (Вортлен 3)"));
  EXPECT_EQ(dialog.objectName(), QStringLiteral("120"));
  auto checked = [this](int id) { return control<QCheckBox>(id)->isChecked(); };
  EXPECT_FALSE(checked(1059));
  EXPECT_TRUE(checked(1060));
  EXPECT_FALSE(checked(1061));
  EXPECT_TRUE(checked(1062));
  EXPECT_FALSE(checked(1067));
  EXPECT_FALSE(checked(1063));
  EXPECT_TRUE(checked(1064));
  EXPECT_FALSE(checked(1065));
  EXPECT_TRUE(checked(1066));

  EXPECT_EQ(control<QComboBox>(ids::kBalanceTarget)->currentText(), QStringLiteral("1100"));
  EXPECT_EQ(control<QComboBox>(ids::kBalanceCycles)->currentText(), QStringLiteral("50"));
  EXPECT_EQ(control<QComboBox>(ids::kBalanceImbalance)->currentText(), QStringLiteral("0"));
  QStringList targets;
  auto* target = control<QComboBox>(ids::kBalanceTarget);
  for (int i = 0; i < target->count(); ++i) targets << target->itemText(i);
  EXPECT_EQ(targets, QStringList({"900", "1000", "1100", "1200", "1300"}));
  EXPECT_EQ(control<QComboBox>(ids::kBalanceImbalance)->count(), 6);
  EXPECT_FALSE(control(ids::kBalanceWarning)->isVisible());
}

TEST_F(ActuatorDialogTest, FieldsAndBarsFollowTheMonitorInTheirColours) {
  tick();
  auto* coolant = control<QLabel>(ids::kActuatorCoolantText);
  EXPECT_EQ(coolant->text(), QStringLiteral("90"));
  EXPECT_EQ(control<QLabel>(ids::kActuatorSpeedText)->text(), QStringLiteral("800"));
  EXPECT_EQ(control<QProgressBar>(ids::kActuatorCoolantBar)->value(), 130);
  EXPECT_EQ(control<QProgressBar>(ids::kActuatorSpeedBar)->value(), 80);
  EXPECT_EQ(coolant->font().pixelSize(), 32);
  EXPECT_TRUE(coolant->font().bold());
  for (int id : {1030, 1031, 1033, 1034, 1035, 1038}) {
    EXPECT_EQ(control<QLabel>(id)->palette().color(QPalette::WindowText), QColor(204, 204, 48))
        << id;
    EXPECT_EQ(control<QLabel>(id)->palette().color(QPalette::Window), QColor(0, 0, 0)) << id;
  }

  ecu.answers[{0x61, 0x1A, 0x2C}] = {0, 0};
  tick();
  EXPECT_EQ(coolant->text(), QStringLiteral("-40"));
  EXPECT_EQ(control<QProgressBar>(ids::kActuatorCoolantBar)->value(), 115);
}

TEST_F(ActuatorDialogTest, TheLinkDisablesAndEnablesTheFourteenControlsWithinOneTick) {
  tick();
  for (QWidget* widget : fourteenControls()) EXPECT_TRUE(widget->isEnabled());
  ecu.ecuAnswers = false;
  tick();
  for (QWidget* widget : fourteenControls()) {
    EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
  }
  EXPECT_EQ(control<QLabel>(ids::kActuatorCoolantText)->text(), QStringLiteral("Err 5"));
  EXPECT_TRUE(control<QLabel>(ids::kActuatorSpeedText)->text().isEmpty());
  ecu.ecuAnswers = true;
  tick();
  for (QWidget* widget : fourteenControls()) EXPECT_TRUE(widget->isEnabled());
}

TEST_F(ActuatorDialogTest, ClickingTheBoxesSendsTheirWrites) {
  QTest::mouseClick(control(1064), Qt::LeftButton);  // "Ф2" unchecked: injector 2 cut too
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0D, 0x07, 0x0D, 0x07}));
  QTest::mouseClick(control(1059), Qt::LeftButton);  // the lamp on, beside fan and pump
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x1F, 0x09, 0x0B}));
  EXPECT_TRUE(control<QCheckBox>(1059)->isChecked());
}

TEST_F(ActuatorDialogTest, TheBalanceTestRunsFromTheButtonsAndShowsItsPicture) {
  auto* target = control<QComboBox>(ids::kBalanceTarget);
  target->setEditText(QStringLiteral("1000"));
  QTest::mouseClick(control(ids::kBalanceStart), Qt::LeftButton);
  tick(1 + 7 + 1);
  auto* warning = control<QLabel>(ids::kBalanceWarning);
  EXPECT_TRUE(warning->isVisible());
  EXPECT_EQ(warning->pixmap().size(), QSize(215, 66));
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().contains(QStringLiteral("КПД"))) continue;
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    EXPECT_LE(label->geometry().right(), dialog.width());
  }
  tick();
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0B, 0x20, 0x5B, 0x3E}));
  QTest::mouseClick(control(ids::kBalanceStop), Qt::LeftButton);
  EXPECT_EQ(ecu.lastRequest(), Bytes({0x62, 0x0A, 0x00, 0x0B, 0x00}));
  EXPECT_FALSE(warning->isVisible());
}

// The window's own timer: the monitor ticks go on while "Тест прерван обороты=0 " is up.
TEST_F(ActuatorDialogTest, TheSpeedZeroBoxDoesNotHoldTheMonitorTick) {
  struct WaitingNotifier final : Notifier {
    void message(const std::string& text, const std::string&, MessageIcon) override {
      shown = text;
      const std::size_t before = ecu->requests.size();
      QTest::qWait(500);  // the mechanic reads the box
      ticksWhileUp = static_cast<int>(ecu->requests.size() - before);
    }
    Answer ask(const std::string&, const std::string&) override { return Answer::No; }
    test::FakeEcuPort* ecu = nullptr;
    std::string shown;
    int ticksWhileUp = -1;
  } waiting;
  waiting.ecu = &ecu;
  ecu.answers[{0x61, 0x2C, 0x5C}] = {0, 50};
  ActuatorDialog ticking{shared, settings, nullptr, {nullptr, &waiting, &sleeper}};
  ticking.show();
  QTest::mouseClick(findControl<QWidget>(&ticking, ids::kBalanceStart), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.ticksWhileUp >= 0; }, 5000));
  EXPECT_EQ(waiting.shown, "Тест прерван обороты=0 ");
  EXPECT_GE(waiting.ticksWhileUp, 3);
}

TEST_F(ActuatorDialogTest, EnterInAComboBoxClosesTheWindowAndReleasesTheEcu) {
  auto* target = control<QComboBox>(ids::kBalanceTarget);
  target->setEditText(QStringLiteral("1250"));
  target->setFocus();
  QTest::keyClick(target->lineEdit(), Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ecu.lastRequest(), kReleaseRequest);
  EXPECT_EQ(settings.values["Механизмы/Обороты"], 1250u);
  EXPECT_EQ(target->count(), 5) << "Enter adds nothing to the list";
}

TEST_F(ActuatorDialogTest, EscapeAndTheCloseBoxReleaseTheEcuOnce) {
  for (const bool escape : {true, false}) {
    SCOPED_TRACE(escape);
    ActuatorDialog window{shared, settings, nullptr, {&timer, &notifier, &sleeper}};
    window.show();
    QApplication::processEvents();
    const std::size_t before = ecu.requests.size();
    if (escape) {
      QTest::keyClick(&window, Qt::Key_Escape);
    } else {
      window.close();
    }
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(ecu.requests.size(), before + 1);
    EXPECT_EQ(ecu.lastRequest(), kReleaseRequest);
  }
}

TEST_F(ActuatorDialogTest, TheWindowEndsWithTheMainWindowAndStillStoresAndReleases) {
  QDialog mainWindow;
  mainWindow.show();
  ActuatorDialog window{shared, settings, &mainWindow, {&timer, &notifier, &sleeper}};
  window.show();
  QApplication::processEvents();
  window.logic().setBalanceText(kTargetCombo, "1200");
  mainWindow.done(QDialog::Rejected);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(ecu.lastRequest(), kReleaseRequest);
  EXPECT_EQ(settings.values["Механизмы/Обороты"], 1200u);
}

}  // namespace
}  // namespace vortlen
