#include "recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "error_text.h"
#include "utf8_path.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

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
      listener_->recordingFailed("Запись не начата: папка " + folder_ + ": " +
                                 errorText(error.value()));
    }
    return false;
  }
  active_ = true;
  startMs_ = clock_.nowMs();
  stamp_ = clock_.stamp();
  segment_ = 0;
  set_ = 0;
  rows_ = 0;
  checkedMs_ = startMs_;
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

bool Recorder::segmentFor(const RecordLayout& layout, const std::string& ecuType) {
  if (file_ != nullptr && layout.window == window_ && layout.set == set_) return true;
  closeFile();
  window_ = layout.window;
  set_ = layout.set;
  if (!ecuType.empty()) ecuType_ = ecuType;
  ++segment_;
  if (!createFile()) return false;
  const std::string header = std::string(kByteOrderMark) + recordHeader(layout) + "\n";
  errno = 0;
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size() ||
      std::fflush(file_) != 0) {
    fail(errorText(errno != 0 ? errno : EIO));
    return false;
  }
  return true;
}

bool Recorder::createFile() {
  // The first file of a recording takes the first free variant of the time in its name; the
  // files after it keep that variant.
  const bool first = segment_ == 1;
  const std::string base = stamp_;
  for (int variant = 1;; ++variant) {
    if (first && variant > 1) stamp_ = base + "-" + std::to_string(variant);
    path_ = utf8Name(utf8Path(folder_) /
                     utf8Path(recordFileName(stamp_, ecuType_, segment_, window_, set_)));
    const std::filesystem::path path = utf8Path(path_);
#ifdef _WIN32
    const int fd =
        ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
    if (fd >= 0) {
#ifdef _WIN32
      file_ = ::_fdopen(fd, "wb");
#else
      file_ = ::fdopen(fd, "wb");
#endif
      if (file_ == nullptr) {
        const int code = errno;
#ifdef _WIN32
        ::_close(fd);
#else
        ::close(fd);
#endif
        files_.push_back(path_);
        fail(errorText(code));
        return false;
      }
      files_.push_back(path_);
      return true;
    }
    if (errno != EEXIST || !first || variant >= 99) {
      const int code = errno;
      files_.push_back(path_);
      fail(errorText(code));
      return false;
    }
  }
}

void Recorder::check() {
  if (!active_ || file_ == nullptr) return;
  checkedMs_ = clock_.nowMs();
#ifdef _WIN32
  // Windows lets no one remove a file that is open for writing.
  return;
#else
  struct stat opened {};
  struct stat named {};
  if (::fstat(::fileno(file_), &opened) != 0) return;
  if (::stat(path_.c_str(), &named) != 0) {
    fail(errno == ENOENT ? std::string("файл или его папка удалены") : errorText(errno));
  } else if (named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) {
    fail("файл заменён другим");
  } else if (::access(path_.c_str(), W_OK) != 0) {
    fail(errorText(errno));
  }
#endif
}

bool Recorder::beginRow(const RecordLayout& layout, const std::string& ecuType) {
  if (!active_ || !segmentFor(layout, ecuType)) return false;
  row_.clear();
  appendSeconds(row_, clock_.nowMs() - startMs_);
  return true;
}

void Recorder::addValue(std::string_view shown) {
  row_ += kSpreadsheetDialect.separator;
  appendShown(row_, shown);
}

void Recorder::addFlag(bool on) {
  row_ += kSpreadsheetDialect.separator;
  row_ += on ? '1' : '0';
}

void Recorder::endRow(std::span<const std::uint8_t> answer) {
  if (file_ == nullptr) return;
  row_ += kSpreadsheetDialect.separator;
  appendHex(row_, answer);
  row_ += '\n';
  // Each row reaches the disk before the next answer: a killed program loses nothing.
  errno = 0;
  if (std::fwrite(row_.data(), 1, row_.size(), file_) != row_.size() || std::fflush(file_) != 0) {
    fail(errorText(errno != 0 ? errno : EIO));
    return;
  }
  ++rows_;
  if (clock_.nowMs() - checkedMs_ >= 1000) check();
}

}  // namespace vortlen
