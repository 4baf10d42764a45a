#include "record_view.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>

#include <atomic>
#include <thread>

#include "window_services.h"

namespace vortlen {

namespace {

// The replay's key for a key press; none for any other key.
std::optional<ReplayKey> replayKeyOf(int key, bool shift) {
  switch (key) {
    case Qt::Key_Space:
      return ReplayKey::PauseResume;
    case Qt::Key_Left:
      return shift ? ReplayKey::PreviousAnswer : ReplayKey::Back;
    case Qt::Key_Right:
      return shift ? ReplayKey::NextAnswer : ReplayKey::Forward;
    case Qt::Key_Home:
      return ReplayKey::Home;
    case Qt::Key_End:
      return ReplayKey::End;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return ReplayKey::Faster;
    case Qt::Key_Minus:
      return ReplayKey::Slower;
    default:
      return std::nullopt;
  }
}

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  // Not modal to the polling: the box waits while the window goes on.
  auto* box =
      new QMessageBox(icon, QString::fromStdString(kBoxCaption), text, QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

}  // namespace

QtRecordClock::QtRecordClock() {
  elapsed_.start();
}

std::int64_t QtRecordClock::nowMs() {
  return elapsed_.elapsed();
}

std::string QtRecordClock::stamp() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")).toStdString();
}

QString recordFolder() {
  const QString chosen = qEnvironmentVariable("VORTLEN3_RECORD_DIR");
  if (!chosen.isEmpty()) return chosen;
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return documents + QStringLiteral("/Vortlen3");
}

RecordIndicator::RecordIndicator(QMenuBar* menuBar, Recorder* recorder)
    : QLabel(menuBar), recorder_(recorder) {
  setObjectName(QStringLiteral("recordIndicator"));
  setContentsMargins(8, 0, 8, 0);
  if (recorder_) before_ = recorder_->setListener(this);
  menuBar->setCornerWidget(this, Qt::TopRightCorner);
  connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
  timer_.start(250);
  refresh();
}

RecordIndicator::~RecordIndicator() {
  if (recorder_) recorder_->setListener(before_);
}

void RecordIndicator::setReplay(std::function<std::string()> replayText,
                                std::function<std::string()> replayFile) {
  replayText_ = std::move(replayText);
  replayFile_ = std::move(replayFile);
  refresh();
}

void RecordIndicator::setFileShown(std::function<void(const QString& file)> showFile) {
  showFile_ = std::move(showFile);
  refresh();
}

void RecordIndicator::setReplayKeys(std::function<bool(QKeyEvent& event)> replayKey) {
  replayKey_ = std::move(replayKey);
  parentWidget()->installEventFilter(this);
}

bool RecordIndicator::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::KeyPress && replayKey_) {
    auto& key = static_cast<QKeyEvent&>(*event);
    const bool escape = key.key() == Qt::Key_Escape;
    if (replayKey_(key) && !escape) return true;
  }
  return QLabel::eventFilter(watched, event);
}

void RecordIndicator::setRoom(std::function<int()> room) {
  room_ = std::move(room);
  refresh();
}

RecordIndicator::Forms RecordIndicator::forms() const {
  Forms forms;
  const std::string replay = replayText_ ? replayText_() : std::string();
  if (!replay.empty()) {
    forms.full = QStringLiteral("▶ Запись ") + QString::fromStdString(replay);
    // Position and length, without the speed and the pause.
    forms.brief = QStringLiteral("▶ ") + QString::fromStdString(replay).section(u' ', 0, 2);
    forms.colour = QStringLiteral("#0050a0");
    forms.file = QString::fromStdString(replayFile_());
  } else if (recorder_ && recorder_->active()) {
    const QString elapsed = QString::fromStdString(minutesSeconds(recorder_->elapsedMs()));
    forms.full = QStringLiteral("● Запись ") + elapsed;
    forms.brief = QStringLiteral("● ") + elapsed;
    forms.colour = QStringLiteral("#c00000");
    forms.file = QString::fromStdString(recorder_->currentFile());
  }
  return forms;
}

int RecordIndicator::widthOf(const QString& text) const {
  if (text.isEmpty()) return 0;
  QFont bold = parentWidget()->font();
  bold.setBold(true);
  const QMargins margins = contentsMargins();
  return QFontMetrics(bold).horizontalAdvance(text) + margins.left() + margins.right() +
         2 * frameWidth();
}

int RecordIndicator::shortWidth() const {
  // The minutes may gain a digit while it shows.
  return widthOf(forms().brief + u'0');
}

void RecordIndicator::refresh() {
  if (recorder_ && recorder_->active()) recorder_->check();
  const Forms shown = forms();
  QString text = shown.full;
  if (room_ && widthOf(text) > room_()) text = shown.brief;
  const QString colour = shown.colour;
  const QString file = QFileInfo(shown.file).fileName();
  if (file != file_) {
    file_ = file;
    setToolTip(file);
    if (showFile_) showFile_(file);
  }
  if (text != this->text()) {
    setText(text);
    setStyleSheet(QStringLiteral("color: %1;").arg(colour));
  }
  // Bold in the menu bar's own size, which a narrow window makes smaller; a style sheet would
  // set it apart from the bar's.
  QFont bold = parentWidget()->font();
  bold.setBold(true);
  if (font() != bold) setFont(bold);
  // The menu bar places its corner widget when the widget is shown: a new size needs a new
  // place.
  if (isVisible() && width() != sizeHint().width()) setVisible(false);
  setVisible(!text.isEmpty());
}

void RecordIndicator::recordingFailed(const std::string& message) {
  refresh();
  showBox(window(), QMessageBox::Critical, QString::fromStdString(message));
}

namespace {

// Reads one recording on a thread of its own; destroyed with its window, it stops the reading
// and waits for the thread, which the cancel flag ends within a few thousand rows.
class RecordingLoader final : public QObject {
 public:
  RecordingLoader(QWidget* window, const QString& path, std::vector<RecordLayout> layouts,
                  std::function<void(Recording)> play)
      : QObject(window), window_(window), layouts_(std::move(layouts)), play_(std::move(play)) {
    thread_ = std::thread([this, file = path.toStdString()] {
      std::string error;
      std::optional<Recording> recording = readRecording(file, layouts_, error, &cancel_);
      if (cancel_) return;
      QMetaObject::invokeMethod(
          this,
          [this, recording = std::move(recording), error = std::move(error)]() mutable {
            finish(std::move(recording), error);
          },
          Qt::QueuedConnection);
    });
  }
  ~RecordingLoader() override {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  void finish(std::optional<Recording> recording, const std::string& error) {
    if (!recording) {
      showBox(window_, QMessageBox::Warning, QString::fromStdString(error));
    } else {
      if (recording->skipped > 0) {
        showBox(window_, QMessageBox::Information,
                QStringLiteral("В записи %1 пропущено строк: %2. Ответ ЭБУ в них другой длины, "
                               "чем у набора, и окно его не показывает; в файле они остались.")
                    .arg(QFileInfo(QString::fromStdString(recording->path)).fileName())
                    .arg(recording->skipped));
      }
      play_(std::move(*recording));
    }
    deleteLater();
  }

  QWidget* window_;
  const std::vector<RecordLayout> layouts_;
  std::function<void(Recording)> play_;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

}  // namespace

void openRecording(QWidget* parent, std::vector<RecordLayout> layouts,
                   std::function<void(Recording)> play) {
  const QString path = QFileDialog::getOpenFileName(
      parent, QStringLiteral("Открыть запись"), recordFolder(),
      QStringLiteral("Записи (*.csv);;Все файлы (*)"), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  new RecordingLoader(parent, path, std::move(layouts), std::move(play));
}

bool saveFile(QWidget* parent, const QString& title, const QString& suggestedName,
              const QString& filter, std::string_view bytes) {
  QDir().mkpath(recordFolder());
  const QString path = QFileDialog::getSaveFileName(
      parent, title, recordFolder() + QStringLiteral("/") + suggestedName, filter, nullptr,
      QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return false;
  std::string reason;
  if (!writeWholeFile(path.toStdString(), bytes, reason)) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(kBoxCaption),
                    QStringLiteral("Не удалось записать файл ") + path + QStringLiteral(": ") +
                        QString::fromStdString(reason) + QStringLiteral("."),
                    QMessageBox::Ok, parent);
    box.exec();
    return false;
  }
  return true;
}

bool saveTextFile(QWidget* parent, const QString& suggestedName, const std::string& text) {
  return saveFile(parent, QStringLiteral("Сохранить"), suggestedName,
                  QStringLiteral("Текст (*.txt);;Все файлы (*)"), text);
}

void copyText(const std::string& text) {
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

std::string exportStamp() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

std::string exportText(const std::string& title, const EcuNames& names,
                       const std::vector<std::string>& lines) {
  auto orUnknown = [](const std::string& text) { return text.empty() ? "не прочитан" : text; };
  std::string text = "Вортлен 3: " + title + "\n";
  text += "Дата и время: " + exportStamp() + "\n";
  text += "Тип ЭБУ: " + orUnknown(names.ecuType) + "\n";
  text += "Двигатель: " + orUnknown(names.engine) + "\n\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

void addExport(QDialog* window, QRect place, const QString& fileStem,
               std::function<std::string()> text) {
  auto* save = new QPushButton(QStringLiteral("Сохранить"), window);
  save->setObjectName(QStringLiteral("exportSave"));
  save->setGeometry(place);
  save->setAutoDefault(false);
  auto saveNow = [window, fileStem, text] {
    const QString stem =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss_")) + fileStem;
    saveTextFile(window, stem + QStringLiteral(".txt"), text());
  };
  QObject::connect(save, &QPushButton::clicked, window, saveNow);
  auto* saveKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), window);
  QObject::connect(saveKey, &QShortcut::activated, window, saveNow);
  auto* copy = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), window);
  QObject::connect(copy, &QShortcut::activated, window, [text] { copyText(text()); });
}

bool replayKeyPressed(QKeyEvent& event, WindowReplay& replay, RecordIndicator& indicator,
                      const std::function<void()>& end) {
  if (event.key() == Qt::Key_Escape) {
    end();
    event.accept();
    return true;
  }
  const std::optional<ReplayKey> key =
      replayKeyOf(event.key(), event.modifiers() & Qt::ShiftModifier);
  if (!key) return false;
  replay.key(*key);
  indicator.refresh();
  event.accept();
  return true;
}

}  // namespace vortlen
