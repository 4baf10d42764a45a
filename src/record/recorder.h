#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record_format.h"

namespace vortlen {

/// Where a recording takes its times from.
class RecordClock {
 public:
  virtual ~RecordClock() = default;
  /// A steady count of milliseconds.
  virtual std::int64_t nowMs() = 0;
  /// The local date and time for a file name, as "2026-12-07_16-40-01".
  virtual std::string stamp() = 0;
};

/// Told when a recording stops on its own (a write failed).
class RecordListener {
 public:
  virtual ~RecordListener() = default;
  /// `message` names the file and the reason.
  virtual void recordingFailed(const std::string& message) = 0;
};

/// The recording of live values: while it is on, every good answer of the window that polls
/// becomes one row of a CSV file in `folder`, in the spreadsheet form of record_format.h; each
/// window hands its answers over (MainRecordFeed, GraphRecordFeed). A file holds one set of one
/// window; another set or window starts the next file of the same recording, whose times run on
/// from its start. Each row goes to the disk at once, so a killed program leaves every row it
/// had. A row is formatted in a buffer reserved at the start: an answer costs no allocation.
class Recorder final {
 public:
  Recorder(std::string folder, RecordClock& clock);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  /// The listener that hears of a failure now; returns the one before (nullptr: none).
  RecordListener* setListener(RecordListener* listener);

  /// The ECU type for the names of the files from now on, for a recording begun in a window
  /// whose answers do not carry it (the graph view); the main window's answers set it too.
  void setEcuType(const std::string& ecuType) {
    if (!ecuType.empty()) ecuType_ = ecuType;
  }

  /// Starts a recording; the first file opens with the first answer. False (and the listener
  /// told) when the folder cannot be made.
  bool start();
  /// Stops the recording and closes its file.
  void stop();
  bool active() const { return active_; }

  /// Stops the recording, telling the listener, when its file has been removed or replaced or
  /// its folder has gone: rows written after that would reach no file anyone can open. Each
  /// answer checks once a second; the window's timer calls it too, for when no answers come.
  void check();

  /// Milliseconds since the recording began.
  std::int64_t elapsedMs() const;
  /// The file being written (empty before the first answer), and every file of the recording.
  const std::string& currentFile() const { return path_; }
  const std::vector<std::string>& files() const { return files_; }
  std::size_t rows() const { return rows_; }
  const std::string& folder() const { return folder_; }

  /// Begins the row of an answer of `layout`'s window and set, opening the next file when the
  /// last row was of another; `ecuType` (when not empty) names the files from now on. False
  /// when no recording is on or the file could not be made: then the row is not written.
  bool beginRow(const RecordLayout& layout, const std::string& ecuType);
  /// The row's next value, as the window shows it (see appendShown).
  void addValue(std::string_view shown);
  /// The row's next flag, 1 or 0.
  void addFlag(bool on);
  /// Ends the row with the answer in hex and writes it to the disk.
  void endRow(std::span<const std::uint8_t> answer);

 private:
  // Opens the next file when the answer comes from another window or set than the last.
  bool segmentFor(const RecordLayout& layout, const std::string& ecuType);
  // Creates path_ as a new file; another file of that name is never overwritten.
  bool createFile();
  void fail(const std::string& reason);
  void closeFile();

  std::string folder_;
  RecordClock& clock_;
  RecordListener* listener_ = nullptr;
  bool active_ = false;
  std::int64_t startMs_ = 0;
  std::string stamp_;
  std::string ecuType_;
  RecordWindow window_ = RecordWindow::Main;
  int set_ = 0;
  int segment_ = 0;
  std::FILE* file_ = nullptr;
  std::string path_;
  std::vector<std::string> files_;
  std::size_t rows_ = 0;
  std::string row_;
  std::int64_t checkedMs_ = 0;
};

/// The file name of segment `segment` of a recording begun at `stamp`: date, time, ECU type,
/// the segment's number, the window and the set ("2026-12-07_16-40-01_M7.1_01_main-set1.csv").
/// A recording begun in the same second as one whose files are there already gets "-2", "-3"...
/// after its time.
std::string recordFileName(const std::string& stamp, const std::string& ecuType, int segment,
                           RecordWindow window, int set);

}  // namespace vortlen
