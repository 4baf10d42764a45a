#include "recording_file.h"

#include <charconv>
#include <filesystem>
#include <fstream>

#include "graph_sets.h"
#include "parameter_catalogue.h"
#include "utf8_path.h"

namespace vortlen {

namespace {

// Seconds with up to three decimals, as the recorder writes them.
std::optional<std::int64_t> parseSeconds(const std::string& text) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  std::int64_t seconds = 0;
  const auto [end, code] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
  if (code != std::errc() || end != whole.data() + whole.size() || whole.empty()) return {};
  std::int64_t ms = seconds * 1000;
  if (point != std::string::npos) {
    const std::string fraction = text.substr(point + 1);
    if (fraction.empty() || fraction.size() > 3) return {};
    int scale = 100;
    for (const char c : fraction) {
      if (c < '0' || c > '9') return {};
      ms += (c - '0') * scale;
      scale /= 10;
    }
  }
  return ms;
}

}  // namespace

std::optional<Recording> readRecording(const std::string& path, std::string& error) {
  const std::string name = utf8Name(utf8Path(path).filename());
  std::ifstream in(utf8Path(path), std::ios::binary);
  if (!in) {
    error = "Не удалось открыть файл " + name;
    return std::nullopt;
  }
  std::string line;
  std::getline(in, line);
  if (!line.empty() && line.back() == '\r') line.pop_back();

  Recording recording;
  recording.path = path;
  bool known = false;
  for (int set = 1; set <= kSetCount && !known; ++set) {
    if (line == recordHeader(RecordWindow::Main, set)) {
      recording.window = RecordWindow::Main;
      recording.set = set;
      known = true;
    }
  }
  for (int set = 1; set <= kGraphSetCount && !known; ++set) {
    if (line == recordHeader(RecordWindow::Graph, set)) {
      recording.window = RecordWindow::Graph;
      recording.set = set;
      known = true;
    }
  }
  if (!known) {
    error = "Файл " + name + " не является записью Вортлен 3: его первая строка не та.";
    return std::nullopt;
  }

  const std::size_t columns = recordColumnCount(recording.window, recording.set);
  const std::size_t length = recordAnswerLength(recording.window, recording.set);
  std::vector<std::string> fields;
  int number = 1;
  bool cut = false;
  while (std::getline(in, line)) {
    ++number;
    if (cut) {
      error = "Запись " + name + " повреждена: строка " + std::to_string(number - 1) + ".";
      return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    RecordedAnswer answer;
    std::optional<std::int64_t> ms;
    int count = -1;
    if (splitCsvLine(line, fields) && fields.size() == columns) {
      ms = parseSeconds(fields.front());
      count = parseHex(fields.back(), answer.bytes);
    }
    const bool good = ms && count == static_cast<int>(length) &&
                      (recording.answers.empty() || *ms >= recording.answers.back().ms);
    if (!good) {
      // Only the very last line may be cut short: the program ended while writing it.
      cut = true;
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

}  // namespace vortlen
