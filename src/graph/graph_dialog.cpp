#include "graph_dialog.h"

#include <QAction>
#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <optional>

#include "graph_ids.h"
#include "graph_painter.h"
#include "graph_recording.h"
#include "graph_replay.h"
#include "main_recording.h"
#include "main_window_logic.h"
#include "qt_window_services.h"
#include "record_ids.h"
#include "record_view.h"
#include "resources.h"
#include "view_support.h"

namespace vortlen {

namespace {

/// The plot: paints what the canvas says has changed, nothing else.
class PlotWidget final : public QWidget {
 public:
  PlotWidget(QWidget* parent, const std::unique_ptr<GraphCanvas>& canvas)
      : QWidget(parent), canvas_(canvas) {
    // Every pixel is painted, so that a scroll moves what is on the screen instead of
    // painting it all again.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (!canvas_) return;
    QPainter painter(this);
    canvas_->paint(painter, event->region());
  }

 private:
  const std::unique_ptr<GraphCanvas>& canvas_;
};

}  // namespace

GraphDialog::GraphDialog(SharedPort& port, SettingsStore& settings, QWidget* parent,
                         GraphDialogOverrides overrides)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      enlargeCursor_(enlargeCursor()),
      shrinkCursor_(shrinkCursor()) {
  setControlId(this, ids::kGraphDialog);
  // Modal from its first show, which comes before exec(): the main window takes no input
  // while this window talks to the ECU.
  setWindowModality(Qt::ApplicationModal);
  // No caption is shown; the title only names the window to the system.
  setWindowTitle(QStringLiteral("График"));

  QSize screen = overrides.screen;
  if (screen.isEmpty()) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    screen = primary ? primary->geometry().size() : QSize(1024, 768);
  }
  services_ = std::make_unique<DialogServices>(
      this, [this] { logic_->onTimer(); },
      WindowServiceOverrides{overrides.timer, overrides.notifier, nullptr});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* menuBar = new QMenuBar(this);
  setControlId(menuBar, ids::kGraphMenu);
  layout->setMenuBar(menuBar);
  recorder_ = overrides.recorder;
  ecuNames_ = overrides.ecuNames;
  indicator_ = new RecordIndicator(menuBar, recorder_);
  client_ = new QWidget(this);
  layout->addWidget(client_);
  plot_ = new PlotWidget(client_, canvas_);

  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const int n = static_cast<int>(k);
    captions_[k] = new QLabel(client_);
    setControlId(captions_[k], ids::kFirstGraphCaption + n);
    captions_[k]->setAlignment(Qt::AlignCenter);
    captions_[k]->setTextFormat(Qt::PlainText);

    values_[k] = new QLabel(client_);
    setControlId(values_[k], ids::kFirstGraphValue + n);
    values_[k]->setAlignment(Qt::AlignCenter);
    values_[k]->setTextFormat(Qt::PlainText);
    values_[k]->setAutoFillBackground(true);
    QPalette palette = values_[k]->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(100, 255, 255));
    values_[k]->setPalette(palette);
    values_[k]->installEventFilter(this);
  }

  logic_ = std::make_unique<GraphLogic>(
      GraphLogic::Services{port, services_->timer(), services_->notifier(), settings, *this},
      screen.width(), screen.height());
  if (recorder_) {
    recordFeed_ = std::make_unique<GraphRecordFeed>(*recorder_);
    logic_->setObserver(recordFeed_.get());
  }
  replayTimer_ = std::make_unique<QtWindowTimer>(this, [this] {
    if (replay_) replay_->onTimer();
  });
  replay_ = std::make_unique<GraphReplay>(*logic_, *replayTimer_);
  indicator_->setReplay(
      [this] { return replay_ ? replay_->positionText() : std::string(); },
      [this] { return replaying() ? replay_->replay()->recording().path : std::string(); });
  indicator_->setReplayKeys([this](QKeyEvent& event) {
    return replaying() && replayKeyPressed(event, *replay_, *indicator_, [this] { endReplay(); });
  });
  buildMenu(menuBar);
}

GraphDialog::~GraphDialog() {
  // The settings keep the live set, not the one of a recording being played.
  if (replaying()) replay_->end();
  replay_.reset();
  logic_->setObserver(nullptr);
  // The logic writes the settings and stops the timer while both still exist.
  logic_.reset();
}

void GraphDialog::buildMenu(QMenuBar* menuBar) {
  auto add = [this](QMenu* menu, int id, const char* text, bool checkable) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setCheckable(checkable);
    // A checkable item toggles itself; the check follows the logic's state, changed or not.
    connect(action, &QAction::triggered, this, [this, id] {
      logic_->command(id);
      showChecks();
    });
    actions_.emplace_back(id, action);
    return action;
  };
  QMenu* graph = menuBar->addMenu(QString::fromUtf8("График"));
  add(graph, ids::kCmdGraphStop, "Стоп  Alt+s", true);
  // The recording and the picture join the end of «График», after the original item.
  const std::pair<int, const char*> extras[] = {
      {ids::kCmdRecord, "Запись  Ctrl+R"},
      {ids::kCmdSavePicture, "Сохранить рисунок  Ctrl+S"},
      {ids::kCmdOpenRecording, "Открыть запись…  Ctrl+O"},
  };
  for (const auto& [id, text] : extras) {
    QAction* action = graph->addAction(QString::fromUtf8(text));
    const int command = id;
    connect(action, &QAction::triggered, this, [this, command] {
      if (command == ids::kCmdRecord) toggleRecording();
      if (command == ids::kCmdSavePicture) savePicture();
      if (command == ids::kCmdOpenRecording) openRecordingCommand();
    });
    actions_.emplace_back(id, action);
    if (id == ids::kCmdRecord) {
      recordAction_ = action;
      action->setCheckable(true);
      action->setChecked(recorder_ && recorder_->active());
    }
  }
  QMenu* sets = menuBar->addMenu(QString::fromUtf8("Набор"));
  add(sets, ids::kCmdGraphSet1, "Набор 1    Alt+F1", true);
  add(sets, ids::kCmdGraphSet2, "Набор 2    Alt+F2", true);
  add(sets, ids::kCmdGraphSet3, "Набор 3    Alt+F3", true);
  add(sets, ids::kCmdGraphSet4, "Набор 4    Alt+F4", true);
  QMenu* view = menuBar->addMenu(QString::fromUtf8("Вид"));
  add(view, ids::kCmdBlackOnWhite, "Черным по белому    Alt+B", true);
  add(view, ids::kCmdWhiteOnBlack, "Белым по черному    Alt+W", true);
  for (const auto& [id, text] : {std::pair{ids::kCmdGraphHelp, "Дополнительно   F1"},
                                 std::pair{ids::kCmdGraphClose, "Выход  Esc"}}) {
    QAction* action = menuBar->addAction(QString::fromUtf8(text));
    const int command = id;
    connect(action, &QAction::triggered, this, [this, command] { logic_->command(command); });
    actions_.emplace_back(id, action);
  }

  // The keys themselves; the menu texts name Alt where the keys are Ctrl.
  const std::pair<QKeySequence, int> keys[] = {
      {QKeySequence(Qt::Key_F1), ids::kCmdGraphHelp},
      {QKeySequence(Qt::CTRL | Qt::Key_F1), ids::kCmdGraphSet1},
      {QKeySequence(Qt::CTRL | Qt::Key_F2), ids::kCmdGraphSet2},
      {QKeySequence(Qt::CTRL | Qt::Key_F3), ids::kCmdGraphSet3},
      {QKeySequence(Qt::CTRL | Qt::Key_F4), ids::kCmdGraphSet4},
      {QKeySequence(Qt::ALT | Qt::Key_B), ids::kCmdBlackOnWhite},
      {QKeySequence(Qt::ALT | Qt::Key_S), ids::kCmdGraphStop},
      {QKeySequence(Qt::ALT | Qt::Key_W), ids::kCmdWhiteOnBlack},
  };
  const std::pair<QKeySequence, int> ownKeys[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_R), ids::kCmdRecord},
      {QKeySequence(Qt::CTRL | Qt::Key_S), ids::kCmdSavePicture},
      {QKeySequence(Qt::CTRL | Qt::Key_O), ids::kCmdOpenRecording},
  };
  for (const auto& [key, id] : ownKeys) {
    auto* shortcut = new QAction(this);
    shortcut->setShortcut(key);
    shortcut->setShortcutContext(Qt::WindowShortcut);
    QAction* item = commandAction(id);
    connect(shortcut, &QAction::triggered, item, &QAction::trigger);
    addAction(shortcut);
  }
  for (const auto& [key, id] : keys) {
    auto* shortcut = new QAction(this);
    shortcut->setShortcut(key);
    shortcut->setShortcutContext(Qt::WindowShortcut);
    const int command = id;
    connect(shortcut, &QAction::triggered, this, [this, command] { logic_->command(command); });
    addAction(shortcut);
  }
}

QAction* GraphDialog::commandAction(int id) const {
  for (const auto& [actionId, action] : actions_) {
    if (actionId == id) return action;
  }
  return nullptr;
}

void GraphDialog::startUp() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen) setGeometry(screen->availableGeometry());
  showMaximized();
  if (layout()) layout()->activate();
  logic_->setClientSize(client_->width(), client_->height());
  canvas_ = std::make_unique<GraphCanvas>(devicePixelRatioF());
  placeControls();
  plot_->setGeometry(
      QRect(QPoint(GraphPainter::plotLeft(*logic_), 0), GraphPainter::plotSize(*logic_)));
  logic_->start();
  present();
}

int GraphDialog::run() {
  startUp();
  return exec();
}

void GraphDialog::placeControls() {
  const int W = logic_->width();
  const int H7 = logic_->height7();
  const int band = logic_->band();
  const QFont valueFont = largeValueFont(H7 / 20, W / 100);
  const QFont captionFont = sizedFont(QStringLiteral("Times New Roman"), H7 / 40, W / 150, false);
  canvas_->setBigFont(largeValueFont(band, band / 3));
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const int bottom = band * (static_cast<int>(k) + 1);
    values_[k]->setGeometry(W / 120, bottom - H7 / 12, W / 12, H7 / 24);
    values_[k]->setFont(valueFont);
    captions_[k]->setGeometry(0, bottom - static_cast<int>(H7 / 8.3), W / 10, H7 / 30);
    captions_[k]->setFont(captionFont);
  }
}

void GraphDialog::pushTexts() {
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    captions_[k]->setText(QString::fromStdString(logic_->captionText(k)));
    values_[k]->setText(QString::fromStdString(logic_->valueText(k)));
    // The cursors are made once and set only when they change: a tick changes the values alone.
    const bool enlarged = logic_->enlarged(k);
    if (cursorShown_[k] != static_cast<int>(enlarged)) {
      values_[k]->setCursor(enlarged ? shrinkCursor_ : enlargeCursor_);
      cursorShown_[k] = static_cast<int>(enlarged);
    }
  }
  showChecks();
}

void GraphDialog::showChecks() {
  for (const auto& [id, action] : actions_) {
    for (int set = 1; set <= kGraphSetCount; ++set) {
      if (id == ids::kGraphSetCommands[set - 1]) action->setChecked(set == logic_->activeSet());
    }
    if (id == ids::kCmdGraphStop) action->setChecked(logic_->stopped());
    if (id == ids::kCmdBlackOnWhite) action->setChecked(logic_->blackOnWhite());
    if (id == ids::kCmdWhiteOnBlack) action->setChecked(!logic_->blackOnWhite());
  }
}

void GraphDialog::render() {
  if (canvas_) canvas_->render(*logic_);
}

void GraphDialog::drawErrorText(std::string_view text, int x, int y) {
  if (!canvas_) return;
  canvas_->addText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), x, y);
}

void GraphDialog::present() {
  if (!canvas_) return;
  const PresentStep step = canvas_->present(*logic_);
  if (step.full) {
    plot_->update();
    return;
  }
  if (step.shift != 0) plot_->scroll(step.shift, 0);
  if (!step.dirty.isEmpty()) plot_->update(step.dirty);
}

void GraphDialog::endDialog() {
  accept();
}

void GraphDialog::keyPressEvent(QKeyEvent* event) {
  // Escape ends a replay, not the window.
  if (replaying() && replayKeyPressed(*event, *replay_, *indicator_, [this] { endReplay(); }))
    return;
  const QString text = event->text();
  if (text.size() == 1 && logic_->onChar(text.at(0).unicode())) return;
  // Enter neither presses a button nor closes the window.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

bool GraphDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    for (std::size_t k = 0; k < kTraceCount; ++k) {
      if (watched == values_[k] && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        logic_->onValueClicked(k);
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void GraphDialog::toggleRecording() {
  if (recorder_) {
    if (recorder_->active()) {
      recorder_->stop();
    } else {
      // The file's name carries the ECU type, as the main window's does.
      if (ecuNames_) recorder_->setEcuType(ecuNames_().ecuType);
      recorder_->start();
    }
  }
  if (recordAction_) recordAction_->setChecked(recorder_ && recorder_->active());
  indicator_->refresh();
}

QImage GraphDialog::picture() const {
  return client_->grab().toImage();
}

QImage GraphDialog::captionedPicture() const {
  const QImage shot = picture();
  const EcuNames names = ecuNames_ ? ecuNames_() : EcuNames{};
  auto orUnknown = [](const std::string& text) {
    return QString::fromStdString(text.empty() ? std::string("не прочитан") : text);
  };
  const int set = logic_->activeSet();
  QStringList lines;
  QString title = QStringLiteral("Вортлен 3: График, набор %1 — %2")
                      .arg(set)
                      .arg(QString::fromStdString(exportStamp()));
  if (replaying()) {
    title += QStringLiteral(" — запись ") +
             QFileInfo(QString::fromStdString(replay_->replay()->recording().path)).fileName();
  }
  lines << title;
  lines << QStringLiteral("Тип ЭБУ: %1    Двигатель: %2")
               .arg(orUnknown(names.ecuType), orUnknown(names.engine));
  // Each band runs from the raw value 0 at its bottom to the set's divisor at its top.
  const std::vector<std::string>& columns = graphRecordLayout(set).columns;
  QString scale = QStringLiteral("Масштаб (низ … верх полосы):");
  for (std::size_t k = 0; k < kTraceCount; ++k) {
    const TraceDef& trace = graphSet(set).traces[k];
    if (k == 4) {
      lines << scale;
      scale = QStringLiteral("   ");
    }
    scale += QStringLiteral("  %1 %2 … %3;")
                 .arg(QString::fromStdString(columns[k + 1]),
                      QString::fromStdString(traceText(trace.text, 0)),
                      QString::fromStdString(traceText(trace.text, trace.divisor)));
  }
  scale.chop(1);
  lines << scale;

  QFont font = this->font();
  font.setPointSize(10);
  const QFontMetrics metrics(font);
  const int lineHeight = metrics.height();
  const int band = lineHeight * static_cast<int>(lines.size()) + 8;
  QImage image(shot.width(), shot.height() + band, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  for (int i = 0; i < lines.size(); ++i) {
    painter.drawText(QPoint(6, 4 + lineHeight * i + metrics.ascent()), lines[i]);
  }
  painter.drawImage(0, band, shot);
  return image;
}

void GraphDialog::savePicture() {
  const QImage image = captionedPicture();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    services_->notifier().message("Не удалось составить рисунок: не хватает памяти.", kBoxCaption,
                                  MessageIcon::Stop);
    return;
  }
  const QString suggested =
      QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) +
      QStringLiteral("_graph-set%1.png").arg(logic_->activeSet());
  saveFile(this, QStringLiteral("Сохранить рисунок"), suggested, QStringLiteral("PNG (*.png)"),
           std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

bool GraphDialog::replaying() const {
  return replay_ && replay_->active();
}

void GraphDialog::openRecordingCommand() {
  // A main-window recording is known too, to say where it plays.
  std::vector<RecordLayout> layouts(graphRecordLayouts().begin(), graphRecordLayouts().end());
  layouts.insert(layouts.end(), mainRecordLayouts().begin(), mainRecordLayouts().end());
  openRecording(this, std::move(layouts), [this](Recording recording) {
    if (recording.window != RecordWindow::Graph) {
      services_->notifier().message(
          "Это запись главного окна: откройте её там («Дополнительно › Открыть запись…»).",
          kBoxCaption, MessageIcon::Information);
      return;
    }
    playRecording(std::move(recording));
  });
}

void GraphDialog::playRecording(Recording recording) {
  replay_->begin(std::move(recording));
  showChecks();
  indicator_->refresh();
}

void GraphDialog::endReplay() {
  replay_->end();
  showChecks();
  indicator_->refresh();
}

}  // namespace vortlen
