#include "recording_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>
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

// The layout whose header `line` is, in `dialect`.
const RecordLayout* layoutOf(std::string_view line, std::span<const RecordLayout> layouts,
                             RecordDialect dialect) {
  std::vector<std::string> fields;
  if (!splitCsvLine(line, fields, dialect.separator)) return nullptr;
  for (const RecordLayout& layout : layouts) {
    if (fields == layout.columns) return &layout;
  }
  return nullptr;
}

// The next line of `text` from `at`, without its line break; false at the end.
bool nextLine(std::string_view text, std::size_t& at, std::string_view& line) {
  if (at >= text.size()) return false;
  std::size_t end = text.find('\n', at);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(at, end - at);
  at = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

std::string megabytes(std::uint64_t bytes) {
  return std::to_string(bytes >> 20) + " МБ";
}

}  // namespace

std::optional<Recording> parseRecording(std::string_view text, const std::string& name,
                                        std::span<const RecordLayout> layouts, std::string& error,
                                        const std::atomic<bool>* cancel) {
  // A spreadsheet that saved the file again may have put a byte-order mark first.
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  std::size_t at = 0;
  std::string_view line;
  nextLine(text, at, line);
  const std::string notOurs =
      "Файл " + name + " не является записью Вортлен 3: его первая строка не та.";
  if (line.size() > kMaxRecordLineBytes) {
    error = notOurs;
    return std::nullopt;
  }

  RecordDialect dialect = kSpreadsheetDialect;
  const RecordLayout* layout = layoutOf(line, layouts, dialect);
  if (layout == nullptr) {
    dialect = kDialect300;
    layout = layoutOf(line, layouts, dialect);
  }
  if (layout == nullptr) {
    error = notOurs;
    return std::nullopt;
  }
  Recording recording;
  recording.window = layout->window;
  recording.set = layout->set;

  const std::size_t columns = layout->columns.size();
  const std::size_t length = layout->answerLength;
  std::vector<std::string> fields;
  std::size_t number = 1;
  std::string damage;  // what is wrong with the line before, when it is
  while (nextLine(text, at, line)) {
    ++number;
    if (cancel != nullptr && number % 4096 == 0 && cancel->load()) return std::nullopt;
    if (!damage.empty()) {
      // Only the very last line may be cut short: the program ended while writing it.
      error = "Запись " + name + " повреждена: строка " + std::to_string(number - 1) + ": " +
              damage + ".";
      return std::nullopt;
    }
    if (line.empty() && at >= text.size()) break;
    if (line.size() > kMaxRecordLineBytes) {
      damage = "длиннее " + std::to_string(kMaxRecordLineBytes) + " байт";
      continue;
    }
    if (!splitCsvLine(line, fields, dialect.separator) || fields.size() != columns) {
      damage = "не то число столбцов";
      continue;
    }
    const std::optional<std::int64_t> ms = parseSeconds(fields.front(), dialect.decimal);
    if (!ms) {
      damage = "время «" + fields.front().substr(0, 32) + "» не число секунд от 0 до " +
               std::to_string(kMaxRecordSeconds);
      continue;
    }
    if (!recording.answers.empty() && *ms < recording.answers.back().ms) {
      damage = "время идёт назад";
      continue;
    }
    RecordedAnswer answer;
    const int count = parseHex(fields.back(), answer.bytes);
    if (count < 0) {
      damage = "ответ ЭБУ не шестнадцатеричные байты";
      continue;
    }
    if (count != static_cast<int>(length)) {
      // An answer of another length: the window would not show it; the row stays in the file.
      ++recording.skipped;
      continue;
    }
    answer.ms = *ms;
    answer.length = static_cast<std::uint8_t>(count);
    recording.answers.push_back(answer);
  }
  if (recording.answers.empty()) {
    error = "В записи " + name + " нет ни одного ответа ЭБУ.";
    return std::nullopt;
  }
  return recording;
}

std::optional<Recording> readRecording(const std::string& path,
                                       std::span<const RecordLayout> layouts, std::string& error,
                                       const std::atomic<bool>* cancel) {
  const std::filesystem::path file = utf8Path(path);
  const std::string name = utf8Name(file.filename());
  auto cannot = [&](int code) {
    error = "Не удалось открыть файл " + name + ": " + errorText(code) + ".";
    return std::nullopt;
  };
#ifdef _WIN32
  const int fd = ::_wopen(file.c_str(), _O_RDONLY | _O_BINARY);
#else
  // Not blocking: a FIFO or a device opens at once, and is refused below.
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
#endif
  if (fd < 0) return cannot(errno);
  struct FdCloser {
    int fd;
    ~FdCloser() {
#ifdef _WIN32
      ::_close(fd);
#else
      ::close(fd);
#endif
    }
  } closer{fd};
#ifdef _WIN32
  struct _stat64 status {};
  if (::_fstat64(fd, &status) != 0) return cannot(errno);
  const bool regular = (status.st_mode & _S_IFMT) == _S_IFREG;
#else
  struct stat status {};
  if (::fstat(fd, &status) != 0) return cannot(errno);
  const bool regular = S_ISREG(status.st_mode);
#endif
  if (!regular) {
    error = "Файл " + name + " не является обычным файлом (это канал, устройство или папка): " +
            "запись Вортлен 3 — файл .csv в папке записей.";
    return std::nullopt;
  }
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > kMaxRecordingBytes) {
    error = "Файл " + name + " слишком велик для записи Вортлен 3: " + megabytes(size) +
            ", а записи читаются не больше " + megabytes(kMaxRecordingBytes) +
            " (полчаса записи — 1–3 МБ). Разделите файл на части.";
    return std::nullopt;
  }
  std::string text;
  text.resize(static_cast<std::size_t>(size));
  std::size_t got = 0;
  while (got < text.size()) {
#ifdef _WIN32
    const int n = ::_read(fd, text.data() + got, static_cast<unsigned>(text.size() - got));
#else
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
#endif
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return cannot(errno);
    if (n == 0) break;  // the file became shorter meanwhile
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  std::optional<Recording> recording = parseRecording(text, name, layouts, error, cancel);
  if (recording) recording->path = path;
  return recording;
}

bool writeWholeFile(const std::string& path, std::string_view bytes, std::string& reason) {
  const std::filesystem::path target = utf8Path(path);
  std::filesystem::path part = target;
  part += ".part";
  std::FILE* file = openFile(part, L"wb", "wb");
  if (file == nullptr) {
    reason = errorText(errno);
    return false;
  }
  errno = 0;
  bool written =
      std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
  int code = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    code = errno;
  }
  std::error_code renamed;
  if (written) std::filesystem::rename(part, target, renamed);
  if (!written || renamed) {
    reason = errorText(written ? renamed.value() : (code != 0 ? code : EIO));
    std::error_code ignored;
    std::filesystem::remove(part, ignored);
    return false;
  }
  return true;
}

}  // namespace vortlen
