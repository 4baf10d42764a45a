#include "recorder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "utf8_path.h"

namespace vortlen {

namespace {

// Enough for the longest row (set 2: 8 values, 20 flags, 17 bytes in hex) many times over.
constexpr std::size_t kRowCapacity = 1024;

// The ECU type as a file name may hold it: letters, digits, '.', '-'; anything else '_'.
std::string fileSafe(const std::string& text) {
  std::string safe;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    const bool keep = u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                      (c >= 'a' && c <= 'z') || c == '.' || c == '-';
    safe += keep ? c : '_';
  }
  return safe.empty() ? std::string("ЭБУ") : safe;
}

}  // namespace

std::string recordFileName(const std::string& stamp, const std::string& ecuType, int segment,
                           RecordWindow window, int set) {
  char number[8];
  std::snprintf(number, sizeof number, "%02d", segment);
  return stamp + "_" + fileSafe(ecuType) + "_" + number +
         (window == RecordWindow::Main ? "_main-set" : "_graph-set") + std::to_string(set) + ".csv";
}

Recorder::Recorder(std::string folder, RecordClock& clock)
    : folder_(std::move(folder)), clock_(clock) {
  row_.reserve(kRowCapacity);
}

Recorder::~Recorder() {
  closeFile();
}

RecordListener* Recorder::setListener(RecordListener* listener) {
  RecordListener* before = listener_;
  listener_ = listener;
  return before;
}

bool Recorder::start() {
  if (active_) return true;
  std::error_code error;
  std::filesystem::create_directories(utf8Path(folder_), error);
  if (error) {
    if (listener_) {
      listener_->recordingFailed("Запись не начата: папка " + folder_ + ": " + error.message());
    }
    return false;
  }
  active_ = true;
  startMs_ = clock_.nowMs();
  stamp_ = clock_.stamp();
  segment_ = 0;
  set_ = 0;
  rows_ = 0;
  path_.clear();
  files_.clear();
  return true;
}

void Recorder::stop() {
  active_ = false;
  closeFile();
}

std::int64_t Recorder::elapsedMs() const {
  return active_ ? clock_.nowMs() - startMs_ : 0;
}

void Recorder::closeFile() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void Recorder::fail(const std::string& reason) {
  const std::string message =
      "Запись остановлена: не удалось записать файл " + path_ + ": " + reason;
  stop();
  if (listener_) listener_->recordingFailed(message);
}

bool Recorder::segmentFor(RecordWindow window, int set, const std::string& ecuType) {
  if (file_ != nullptr && window == window_ && set == set_) return true;
  closeFile();
  window_ = window;
  set_ = set;
  if (!ecuType.empty()) ecuType_ = ecuType;
  ++segment_;
  path_ = utf8Name(utf8Path(folder_) /
                   utf8Path(recordFileName(stamp_, ecuType_, segment_, window, set)));
  files_.push_back(path_);
  file_ = openFile(utf8Path(path_), L"wb", "wb");
  if (file_ == nullptr) {
    fail(std::strerror(errno));
    return false;
  }
  const std::string header = recordHeader(window, set) + "\n";
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size() ||
      std::fflush(file_) != 0) {
    fail(std::strerror(errno));
    return false;
  }
  return true;
}

void Recorder::beginRow() {
  row_.clear();
  appendSeconds(row_, clock_.nowMs() - startMs_);
}

void Recorder::endRow(std::span<const std::uint8_t> answer) {
  row_ += ',';
  appendHex(row_, answer);
  row_ += '\n';
  // Each row reaches the disk before the next answer: a killed program loses nothing.
  errno = 0;
  if (std::fwrite(row_.data(), 1, row_.size(), file_) != row_.size() || std::fflush(file_) != 0) {
    fail(std::strerror(errno != 0 ? errno : EIO));
    return;
  }
  ++rows_;
}

void Recorder::onSetAnswer(const LiveDisplay& display, std::span<const std::uint8_t> answer) {
  if (!active_ || !segmentFor(RecordWindow::Main, display.activeSet, display.texts[0])) return;
  beginRow();
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    row_ += ',';
    appendShown(row_, display.texts[kHeaderFields + slot]);
  }
  for (int bit = 0; bit < 16; ++bit) {
    row_ += ',';
    row_ += (display.modeFlags >> bit) & 1u ? '1' : '0';
  }
  for (const std::uint8_t cylinder : display.cylinderFlags) {
    row_ += ',';
    row_ += cylinder != 0 ? '1' : '0';
  }
  endRow(answer);
}

void Recorder::onGraphAnswer(int set, const std::array<std::string, kTraceCount>& values,
                             std::span<const std::uint8_t> answer) {
  if (!active_ || !segmentFor(RecordWindow::Graph, set, {})) return;
  beginRow();
  for (const std::string& value : values) {
    row_ += ',';
    appendShown(row_, value);
  }
  endRow(answer);
}

}  // namespace vortlen
