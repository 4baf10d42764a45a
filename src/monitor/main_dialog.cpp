#include "main_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QProgressBar>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QVBoxLayout>

#include "cached_progress_bar.h"
#include "guide.h"
#include "link_result.h"
#include "main_recording.h"
#include "main_replay.h"
#include "qt_window_services.h"
#include "record_ids.h"
#include "record_view.h"
#include "resource_ids.h"
#include "resources.h"
#include "view_support.h"

namespace vortlen {

namespace {

QColor toColor(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

void paint(QLabel* label, Rgb background, const QColor& text) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, toColor(background));
  if (text.isValid()) palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
}

/// The width a menu bar needs to show every title in one row with `font`, as the bar lays them
/// out: each title's item size from the style, the spacing between them, margins and frame.
int menuTitlesWidth(const QMenuBar* bar, const QFont& font) {
  const QStyle* style = bar->style();
  const QFontMetrics metrics(font);
  const int spacing = style->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, bar);
  int width = 2 * (style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, bar) +
                   style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, bar));
  const QList<QAction*> actions = bar->actions();
  for (QAction* action : actions) {
    QStyleOptionMenuItem option;
    option.initFrom(bar);
    option.font = font;
    option.fontMetrics = metrics;
    option.text = action->text();
    option.menuItemType = QStyleOptionMenuItem::Normal;
    const QSize text = metrics.size(Qt::TextShowMnemonic, action->text());
    width += style->sizeFromContents(QStyle::CT_MenuBarItem, &option, text, bar).width() + spacing;
  }
  return width;
}

QRect toQRect(const Rect& r) {
  return QRect(r.x, r.y, r.width, r.height);
}

}  // namespace

void ValueField::mousePressEvent(QMouseEvent* event) {
  QLabel::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && onClick) onClick();
}

MainDialog::MainDialog(SharedPort& port, SettingsStore& settings, PowerOff& powerOff,
                       ChildWindows& children, WindowServiceOverrides overrides, Recorder* recorder)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      children_(children),
      recorder_(recorder) {
  setControlId(this, ids::kMainDialog);
  setWindowTitle(QString::fromStdString(kProgramTitle));
  setWindowIcon(programIcon());
  setSizeGripEnabled(false);
  setMinimumSize(640, 480);

  services_ = std::make_unique<DialogServices>(
      this, [this] { logic_->onPollTimer(); }, overrides);
  logic_ = std::make_unique<MainWindowLogic>(
      MainWindowLogic::Services{port, services_->timer(), services_->notifier(),
                                services_->sleeper(), settings, powerOff, children, *this});
  if (recorder_) {
    recordFeed_ = std::make_unique<MainRecordFeed>(*recorder_);
    logic_->poll().setObserver(recordFeed_.get());
  }
  replayTimer_ = std::make_unique<QtWindowTimer>(this, [this] {
    if (replay_) replay_->onTimer();
  });
  LiveView& live = *this;
  replay_ = std::make_unique<MainReplay>(logic_->poll(), services_->timer(), *replayTimer_, live);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  buildMenu();
  layout->setMenuBar(menuBar_);
  indicator_ = new RecordIndicator(menuBar_, recorder_);
  indicator_->setReplay(
      [this] { return replay_ ? replay_->positionText() : std::string(); },
      [this] { return replaying() ? replay_->replay()->recording().path : std::string(); });
  // A narrow bar keeps every menu title: the indicator then takes its short form, and the
  // titles leave room for it.
  indicator_->setRoom(
      [this] { return menuBar_->width() - menuTitlesWidth(menuBar_, menuBar_->font()); });
  indicator_->setReplayKeys([this](QKeyEvent& event) {
    return replaying() && replayKeyPressed(event, *replay_, *indicator_, [this] { endReplay(); });
  });
  // The file being recorded or played follows the program's name in the title.
  indicator_->setFileShown([this](const QString& file) {
    setWindowTitle(QString::fromStdString(kProgramTitle) +
                   (file.isEmpty() ? QString() : QStringLiteral("  —  ") + file));
  });
  client_ = new QWidget(this);
  client_->installEventFilter(this);
  layout->addWidget(client_);
  buildControls();
}

MainDialog::~MainDialog() {
  if (recorder_) logic_->poll().setObserver(nullptr);
}

namespace {

QString fromView(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void MainDialog::buildMenu() {
  menuBar_ = new QMenuBar(this);
  setControlId(menuBar_, ids::kMainMenu);
  auto add = [this](QMenu* menu, int id, const QString& text, QKeySequence key = {}) {
    QAction* action = menu->addAction(text);
    if (!key.isEmpty()) {
      action->setShortcut(key);
      action->setShortcutContext(Qt::WindowShortcut);
    }
    // A replay shows a recording, not the car: a command ends it, then runs as it does live.
    connect(action, &QAction::triggered, this, [this, id] {
      if (replaying()) endReplay();
      logic_->command(id);
    });
    actions_.emplace_back(id, action);
    return action;
  };
  auto menu = [this](const char* title) { return menuBar_->addMenu(QString::fromUtf8(title)); };
  // The child windows come from the program's table, each under its menu with its key.
  auto addWindows = [this, &add](QMenu* menu, MainMenu place) {
    for (const ChildWindowEntry& window : children_.windows()) {
      if (window.menu != place) continue;
      add(menu, window.command, fromView(window.text),
          QKeySequence(fromView(window.key), QKeySequence::PortableText));
    }
  };

  QMenu* ecu = menu("ЭБУ");
  addWindows(ecu, MainMenu::Ecu);
  add(ecu, ids::kCmdResetEcu, QStringLiteral("Сброс"), QKeySequence(Qt::Key_Delete));

  QMenu* sets = menu("Набор");
  const Qt::Key setKeys[5] = {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F5};
  for (int i = 0; i < 5; ++i) {
    QAction* action = add(sets, ids::kSetCommands[i], QStringLiteral("Набор %1").arg(i + 1),
                          QKeySequence(Qt::CTRL | setKeys[i]));
    action->setCheckable(true);
    setActions_[static_cast<std::size_t>(i)] = action;
    connect(action, &QAction::triggered, this, [this] { showActiveSet(); });
  }

  addWindows(menu("Вид"), MainMenu::View);
  addWindows(menu("Тесты"), MainMenu::Tests);
  addWindows(menu("Регулировки"), MainMenu::Adjustments);

  // Three top-level items that do nothing; two of them are greyed.
  menuBar_->addAction(QString::fromUtf8("Вкл/Откл"));
  menuBar_->addAction(QString::fromUtf8("Проверка"))->setEnabled(false);
  menuBar_->addAction(QString::fromUtf8("Двигатель"))->setEnabled(false);

  QMenu* extra = menu("Дополнительно");
  add(extra, ids::kCmdSettings, QStringLiteral("Настройка программы"));
  addWindows(extra, MainMenu::Extra);
  // The recording's two items close the menu, out of the way of the original ones.
  recordAction_ = extra->addAction(QStringLiteral("Запись"));
  recordAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  recordAction_->setShortcutContext(Qt::WindowShortcut);
  recordAction_->setCheckable(true);
  connect(recordAction_, &QAction::triggered, this, [this] { toggleRecording(); });
  // A recording that failed has stopped on its own.
  connect(extra, &QMenu::aboutToShow, this,
          [this] { recordAction_->setChecked(recorder_ && recorder_->active()); });
  actions_.emplace_back(ids::kCmdRecord, recordAction_);
  QAction* open = extra->addAction(QStringLiteral("Открыть запись…"));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  open->setShortcutContext(Qt::WindowShortcut);
  connect(open, &QAction::triggered, this, [this] { openRecordingCommand(); });
  actions_.emplace_back(ids::kCmdOpenRecording, open);
  // The guide closes the menu: a page in the desktop's browser, whatever the window is doing.
  QAction* guide = extra->addAction(QStringLiteral("Руководство"));
  connect(guide, &QAction::triggered, this, [this] {
    const UrlOpener desktop = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    openGuide(guidePlaces(QCoreApplication::applicationDirPath()), openUrl_ ? openUrl_ : desktop,
              services_->notifier());
  });

  QMenu* end = menu("Завершение");
  // Alt+F4 is the system's own close key: the item only names it.
  add(end, ids::kCmdExit, QStringLiteral("Завершить программу\tAlt+F4"));
  add(end, ids::kCmdPowerOff, QStringLiteral("Выклчить компьютер"));
}

QAction* MainDialog::commandAction(int id) const {
  for (const auto& [actionId, action] : actions_) {
    if (actionId == id) return action;
  }
  return nullptr;
}

void MainDialog::buildControls() {
  auto label = [this](int id) {
    auto* widget = new QLabel(client_);
    setControlId(widget, id);
    // The header shows the ECU's own texts: never markup.
    widget->setTextFormat(Qt::PlainText);
    widget->setAutoFillBackground(true);
    return widget;
  };
  for (std::size_t i = 0; i < 2; ++i) {
    headers_[i] = label(ids::kHeaderStatus + static_cast<int>(i));
    paint(headers_[i], kHeaderBackground, toColor(kHeaderTextOk));
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const int n = static_cast<int>(slot);
    captions_[slot] = new QLabel(client_);
    setControlId(captions_[slot], ids::kFirstCaption + n);
    captions_[slot]->setTextFormat(Qt::PlainText);

    auto* value = new ValueField(client_);
    setControlId(value, ids::kFirstValue + n);
    value->setTextFormat(Qt::PlainText);
    value->setAutoFillBackground(true);
    paint(value, kValueBackground, toColor(kValueText));
    // Only three fields report clicks; whether one reacts depends on the active set.
    if (slot == 0 || slot == 3 || slot == 6) {
      value->onClick = [this, n] {
        if (!replaying()) logic_->onValueClicked(n + 1);
      };
    }
    values_[slot] = value;

    auto* bar = new CachedProgressBar(client_);
    setControlId(bar, ids::kFirstBar + n);
    bar->setTextVisible(false);
    bars_[slot] = bar;
  }
  for (std::size_t k = 0; k < 16; ++k) {
    flags_[k] = label(ids::kFirstFlag + static_cast<int>(k));
    flags_[k]->setText(QString::fromUtf8(kModeFlagTexts[k]));
    paint(flags_[k], kFlagDark, {});
  }
  for (std::size_t i = 0; i < 4; ++i) {
    cylinders_[i] = label(ids::kFirstCylinder + static_cast<int>(i));
    cylinders_[i]->setText(QString::fromUtf8("Цил ") + QString::number(i + 1));
    paint(cylinders_[i], kFlagDark, {});
  }
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    fitMenuTitles();
    fitFrame();
    children_.mainWindowResized(client_->width(), client_->height());
    reportClientOrigin();
    if (!isMinimized()) layoutControls();
  }
  // The menu bar may take a second row: the client area then moves inside the window.
  if (watched == client_ && event->type() == QEvent::Move) reportClientOrigin();
  return QDialog::eventFilter(watched, event);
}

void MainDialog::fitMenuTitles() {
  // A narrow window keeps every title on the bar, none behind an overflow button: the titles
  // take a smaller font until they fit.
  QFont font = this->font();
  const int available = width() - (indicator_ ? indicator_->shortWidth() : 0);
  for (qreal points = font.pointSizeF(); points > 5 && menuTitlesWidth(menuBar_, font) > available;
       points -= 0.5) {
    font.setPointSizeF(points - 0.5);
  }
  if (menuBar_->font() != font) menuBar_->setFont(font);
  if (indicator_) indicator_->refresh();
}

void MainDialog::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  fitFrame();
  reportClientOrigin();
}

void MainDialog::fitFrame() {
  // The size and place at start are the whole window's; its frame is known only once a window
  // manager has put one around it, and only the restored window can take that size.
  if (framePlace_.isNull() || windowState() != Qt::WindowNoState) return;
  const QSize frameExtra = frameGeometry().size() - size();
  if (frameExtra.isNull()) return;
  const QRect place = framePlace_;
  framePlace_ = QRect();
  resize(place.size() - frameExtra);
  move(place.topLeft());
}

void MainDialog::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) fitFrame();
}

void MainDialog::reportClientOrigin() {
  // The slider windows are placed from the client area, below the menu bar and the frame.
  const QPoint origin = client_->mapToGlobal(QPoint(0, 0));
  children_.mainWindowMoved(origin.x(), origin.y());
}

void MainDialog::layoutControls() {
  const MainLayout layout = layoutMainWindow(client_->width(), client_->height());
  const QFont captionFont = sizedFont(QStringLiteral("Times New Roman"), layout.captionFont.height,
                                      layout.captionFont.width, true);
  const QFont valueFont = largeValueFont(layout.valueFont.height, layout.valueFont.width);
  const QFont flagFont = sizedFont(QStringLiteral("Times New Roman"), layout.flagFont.height,
                                   layout.flagFont.width, true);
  headers_[0]->setGeometry(toQRect(layout.header1030));
  headers_[1]->setGeometry(toQRect(layout.header1031));
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    values_[slot]->setGeometry(toQRect(layout.values[slot]));
    bars_[slot]->setGeometry(toQRect(layout.bars[slot]));
    captions_[slot]->setGeometry(toQRect(layout.captions[slot]));
    values_[slot]->setFont(valueFont);
    captions_[slot]->setFont(captionFont);
  }
  for (std::size_t k = 0; k < 16; ++k) {
    flags_[k]->setGeometry(toQRect(layout.flags[k]));
    flags_[k]->setFont(flagFont);
  }
  for (std::size_t i = 0; i < 4; ++i) {
    cylinders_[i]->setGeometry(toQRect(layout.cylinders[i]));
    cylinders_[i]->setFont(captionFont);
  }
  for (QLabel* header : headers_) header->setFont(captionFont);
}

void MainDialog::startUp() {
  // The program may have been told to end before its event loop first ran.
  if (ended_) return;
  started_ = true;
  const QSize screen = QGuiApplication::primaryScreen()->size();
  const Rect place = initialPlacement(screen.width(), screen.height());
  framePlace_ = toQRect(place);
  resize(place.width, place.height);
  move(place.x, place.y);
  switch (logic_->storedShowState()) {
    case kShowMinimised:
      showMinimized();
      break;
    case kShowNormal:
      showNormal();
      break;
    default:
      showMaximized();
      break;
  }
  // The mechanic's keys go to the program from the start.
  activateWindow();
  layoutControls();
  logic_->start();
}

void MainDialog::pushTexts() {
  const LiveDisplay& display = logic_->display();
  auto setText = [](QLabel* label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label->text() != shown) label->setText(shown);
  };
  setText(headers_[0], display.texts[0]);
  setText(headers_[1], display.texts[1]);
  // A link message carries, as its tooltip, what the guide says to check.
  for (std::size_t i = 0; i < headers_.size(); ++i) {
    const std::string_view remedy = linkRemedy(display.texts[i]);
    const QString tip =
        remedy.empty() ? QString() : QStringLiteral("Что проверить:\n") + fromView(remedy);
    if (headers_[i]->toolTip() != tip) headers_[i]->setToolTip(tip);
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    setText(values_[slot], display.texts[kHeaderFields + slot]);
    if (bars_[slot]->value() != display.bars[slot]) bars_[slot]->setValue(display.bars[slot]);
  }
  const bool failing = logic_->headerTextColour() != kHeaderTextOk;
  if (failing != headerFailing_) {
    headerFailing_ = failing;
    for (QLabel* header : headers_) {
      paint(header, kHeaderBackground, toColor(logic_->headerTextColour()));
    }
  }
}

void MainDialog::refreshIndicators() {
  // Only a label whose colour changed is repainted: the flags rarely change between answers.
  auto repaint = [](QLabel* label, bool& shownLit, Rgb colour) {
    const bool lit = colour == kFlagLit;
    if (lit == shownLit) return;
    shownLit = lit;
    paint(label, colour, {});
  };
  for (std::size_t k = 0; k < flags_.size(); ++k) {
    repaint(flags_[k], flagLit_[k], logic_->flagBackground(static_cast<int>(k)));
  }
  for (std::size_t i = 0; i < cylinders_.size(); ++i) {
    repaint(cylinders_[i], cylinderLit_[i], logic_->cylinderBackground(static_cast<int>(i)));
  }
}

void MainDialog::setChanged() {
  const LiveDisplay& display = logic_->display();
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    captions_[slot]->setText(QString::fromStdString(display.captions[slot]));
    bars_[slot]->setRange(display.barMin[slot], display.barMax[slot]);
    bars_[slot]->setValue(display.bars[slot]);
    if (logic_->valueFieldReacts(static_cast<int>(slot) + 1)) {
      values_[slot]->setCursor(valueCursor());
    } else {
      values_[slot]->unsetCursor();
    }
  }
  showActiveSet();
}

void MainDialog::showActiveSet() {
  // A checkable item toggles itself, even when its set was already the active one.
  for (int i = 0; i < kSetCount; ++i) {
    setActions_[static_cast<std::size_t>(i)]->setChecked(i + 1 == logic_->activeSet());
  }
}

void MainDialog::endDialog() {
  done(QDialog::Accepted);
}

std::uint32_t MainDialog::currentShowState() const {
  if (isMinimized()) return kShowMinimised;
  if (isMaximized()) return kShowMaximised;
  return kShowNormal;
}

void MainDialog::done(int result) {
  if (!ended_) {
    ended_ = true;
    // The settings keep the live set, not the one of a recording being played.
    if (replaying()) replay_->end();
    // The window goes first: the exit may wait on a silent ECU for most of a second. A window
    // that was never shown keeps the show state it was stored with.
    const std::uint32_t showState = started_ ? currentShowState() : logic_->storedShowState();
    hide();
    QGuiApplication::sync();
    logic_->exit(showState);
  }
  QDialog::done(result);
}

bool MainDialog::replaying() const {
  return replay_ && replay_->active();
}

void MainDialog::toggleRecording() {
  if (!recorder_) return;
  if (recorder_->active()) {
    recorder_->stop();
  } else {
    recorder_->start();
  }
  recordAction_->setChecked(recorder_->active());
  fitMenuTitles();
}

void MainDialog::openRecordingCommand() {
  std::vector<RecordLayout> layouts(mainRecordLayouts().begin(), mainRecordLayouts().end());
  for (RecordLayout& layout : children_.graphRecordLayouts()) layouts.push_back(std::move(layout));
  openRecording(this, std::move(layouts), [this](Recording recording) {
    if (recording.window != RecordWindow::Main) {
      // A graph recording plays in the graph view, which talks to nobody meanwhile; the main
      // polling waits as for any window of its own.
      if (replaying()) endReplay();
      services_->timer().stop();
      children_.playGraphRecording(recording);
      services_->timer().start(PollCycle::kStepPeriodMs);
      return;
    }
    playRecording(std::move(recording));
  });
}

void MainDialog::playRecording(Recording recording) {
  replay_->begin(std::move(recording));
  fitMenuTitles();
}

void MainDialog::endReplay() {
  replay_->end();
  fitMenuTitles();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
  if (replaying() && replayKeyPressed(*event, *replay_, *indicator_, [this] { endReplay(); }))
    return;
  // Neither Enter nor Escape may close the main window.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

}  // namespace vortlen
