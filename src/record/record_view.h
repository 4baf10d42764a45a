#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recorder.h"
#include "recording_file.h"
#include "replay.h"

class QKeyEvent;
class QMenuBar;

namespace vortlen {

/// The system's clock for a recording.
class QtRecordClock final : public RecordClock {
 public:
  QtRecordClock();
  std::int64_t nowMs() override;
  std::string stamp() override;

 private:
  QElapsedTimer elapsed_;
};

/// Where recordings go: $VORTLEN3_RECORD_DIR, else "Vortlen3" in the user's documents folder.
QString recordFolder();

/// The program's one recorder, writing to recordFolder().
class ProgramRecorder {
 public:
  ProgramRecorder() : recorder_(recordFolder().toStdString(), clock_) {}
  Recorder& recorder() { return recorder_; }

 private:
  QtRecordClock clock_;
  Recorder recorder_;
};

/// A small label at the right end of a window's menu bar: while a recording is on it shows
/// that and the elapsed time; while a replay plays, what `replayText` says. The file goes to
/// its tooltip and to `showFile` (the main window's title). It takes no room from the window's
/// own controls. A recording that fails shows its message here, in
/// a box that leaves the window working.
class RecordIndicator final : public QLabel, private RecordListener {
 public:
  RecordIndicator(QMenuBar* menuBar, Recorder* recorder);
  ~RecordIndicator() override;

  /// The replay's text and file, empty when none plays.
  void setReplay(std::function<std::string()> replayText, std::function<std::string()> replayFile);
  /// Told the file being recorded or played whenever it changes (empty: none).
  void setFileShown(std::function<void(const QString& file)> showFile);
  /// The window's handling of a replay's keys (true: the key was the replay's). The menu bar
  /// takes the keyboard after a menu closes with Escape and would keep the next Escape to
  /// itself: keys that reach it go to `replayKey` first, and Escape ends the replay and leaves
  /// the menu bar too.
  void setReplayKeys(std::function<bool(QKeyEvent& event)> replayKey);
  /// Shows the state now.
  void refresh();
  /// Where the window's menu titles are squeezed: `room` tells how many pixels of the bar the
  /// titles leave free. When the full form does not fit there, the short one shows ("● 0:12",
  /// "▶ 0:12 / 1:30"); without `room` the full form always shows.
  void setRoom(std::function<int()> room);
  /// The pixels the short form needs while a recording or a replay is on, else 0: what the
  /// window's menu titles must leave free.
  int shortWidth() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The texts of the state now: full and short, their colour, and the file.
  struct Forms {
    QString full;
    QString brief;
    QString colour;
    QString file;
  };
  Forms forms() const;
  int widthOf(const QString& text) const;
  void recordingFailed(const std::string& message) override;

  Recorder* recorder_;
  RecordListener* before_ = nullptr;
  std::function<std::string()> replayText_;
  std::function<std::string()> replayFile_;
  std::function<void(const QString&)> showFile_;
  std::function<bool(QKeyEvent&)> replayKey_;
  std::function<int()> room_;
  QString file_;
  QTimer timer_;
};

/// Asks for a recording file and reads it, as a file of one of `layouts`, on a thread of its
/// own, so that the window polls and repaints meanwhile; then `play` gets it, on the window's
/// thread. A file that is not one gets
/// a box saying why; rows left out (an answer of another length) get a box that counts them.
/// Closing `parent` while the file is read stops the reading.
void openRecording(QWidget* parent, std::vector<RecordLayout> layouts,
                   std::function<void(Recording)> play);

/// Writes `bytes` to a file the user names (suggested: `suggestedName` in the recordings
/// folder, `filter` the dialog's filter); a failure gets a box naming the file and the reason
/// and leaves no file behind (nor changes one that was there). True when written.
bool saveFile(QWidget* parent, const QString& title, const QString& suggestedName,
              const QString& filter, std::string_view bytes);

/// The same for a text, as UTF-8.
bool saveTextFile(QWidget* parent, const QString& suggestedName, const std::string& text);

/// The same text on the clipboard.
void copyText(const std::string& text);

/// "2026-12-07 16:40:01": the moment an export is made.
std::string exportStamp();

}  // namespace vortlen

namespace vortlen {

/// What an export names at its top besides the time: the ECU type and the engine as the main
/// window last read them.
struct EcuNames {
  std::string ecuType;
  std::string engine;
};

/// The text of an export: the window's title, the date and time, the ECU type and the engine,
/// a blank line, then `lines`, each ended by a line break.
std::string exportText(const std::string& title, const EcuNames& names,
                       const std::vector<std::string>& lines);

/// Gives a window «Сохранить» (a button at `place`) and Ctrl+C: both take the text `text` makes
/// at that moment; Ctrl+S saves too. `fileStem` names the suggested file.
void addExport(QDialog* window, QRect place, const QString& fileStem,
               std::function<std::string()> text);

/// A key pressed in a window while its replay plays: Escape calls `end`; Space, the arrows
/// (with Shift one answer), Home, End, + and - go to the replay, and the indicator shows where
/// it is now. True when the key was the replay's.
bool replayKeyPressed(QKeyEvent& event, WindowReplay& replay, RecordIndicator& indicator,
                      const std::function<void()>& end);

}  // namespace vortlen
