// Reading recordings: both forms, and the files a workshop's disk may hold instead of one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "graph_recording.h"
#include "main_recording.h"
#include "recording_file.h"
#include "replay.h"
#include "utf8_path.h"
#include "window_fakes.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vortlen {
namespace {

namespace fs = std::filesystem;

// Graph set 1 as 3.0.0 wrote it, and as this version writes it.
constexpr std::string_view kFile300 =
    "Время (с),Абс.Давл. (м.бар),Обороты (обор/мин),УОЗ (град),Дет Ц1,Дет Ц2,Дет Ц3,Дет Ц4,"
    "Ответ ЭБУ (hex)\n"
    "63.001,340,1120,12.5,0,4,0,0,54 01 1C 19 00 08 00 00\n"
    "63.1,340,1120,12.5,0,4,0,0,54 01 1C 19 00 08 00 01\r\n";
constexpr std::string_view kHeader =
    "\xEF\xBB\xBFВремя (с);Абс.Давл. (м.бар);Обороты (обор/мин);УОЗ (град);Дет Ц1;Дет Ц2;Дет Ц3;"
    "Дет Ц4;Ответ ЭБУ (hex)\n";
constexpr std::string_view kRow1 = "\"63,001\";340;1120;\"12,5\";0;4;0;0;54 01 1C 19 00 08 00 00\n";
constexpr std::string_view kRow2 = "\"63,100\";340;1120;\"12,5\";0;4;0;0;54 01 1C 19 00 08 00 01\n";

// What the program knows: both windows' files.
const std::vector<RecordLayout>& layouts() {
  static const std::vector<RecordLayout> all = [] {
    std::vector<RecordLayout> known(mainRecordLayouts().begin(), mainRecordLayouts().end());
    known.insert(known.end(), graphRecordLayouts().begin(), graphRecordLayouts().end());
    return known;
  }();
  return all;
}

// The answers a replay shows, by their last byte.
class ShownBytes final : public ReplayTarget {
 public:
  void showRecorded(const Recording& recording, std::size_t index) override {
    shown.push_back(recording.answers[index].bytes[7]);
  }
  void showPosition() override {}
  std::vector<int> shown;
};

std::optional<Recording> parse(const std::string& text, std::string& error) {
  return parseRecording(text, "r.csv", layouts(), error);
}

TEST(RecordingFileTest, BothFormsReadAlikeAndARowWithAnAnswerOfAnotherLengthIsSkippedAndCounted) {
  std::string error;
  const std::optional<Recording> old = parse(std::string(kFile300), error);
  ASSERT_TRUE(old) << error;
  const std::string now = std::string(kHeader) + std::string(kRow1) +
                          "\"63,050\";340;1120;\"12,5\";0;4;0;0;54 01 1C 19 00 08 00\n" +
                          std::string(kRow2);
  const std::optional<Recording> fresh = parse(now, error);
  ASSERT_TRUE(fresh) << error;
  for (const Recording* recording : {&*old, &*fresh}) {
    EXPECT_EQ(recording->window, RecordWindow::Graph);
    EXPECT_EQ(recording->set, 1);
    ASSERT_EQ(recording->answers.size(), 2u);
    EXPECT_EQ(recording->answers[0].ms, 63001);
    EXPECT_EQ(recording->answers[1].ms, 63100);
    EXPECT_EQ(recording->answers[1].length, 8);
    EXPECT_EQ(recording->answers[1].bytes[7], 0x01);
    // Played, each answer shows in turn and the clock ends at the last.
    test::FakeTimer timer;
    ShownBytes target;
    Replay replay(*recording, timer, target);
    replay.start();
    for (int tick = 0; tick < 3; ++tick) replay.onTimer();
    EXPECT_EQ(target.shown, (std::vector<int>{0x00, 0x01}));
    EXPECT_EQ(replay.positionMs(), 99);
    EXPECT_TRUE(replay.paused());
  }
  EXPECT_EQ(old->skipped, 0u);
  EXPECT_EQ(fresh->skipped, 1u);
  // The header as a spreadsheet saves it again: without the mark, fields quoted.
  const std::string header(kHeader.substr(3));
  const std::string resaved =
      "\"Время (с)\"" + header.substr(header.find(';')) + std::string(kRow1);
  EXPECT_TRUE(parse(resaved, error)) << error;
}

TEST(RecordingFileTest, TimesAndLinesBeyondTheirBoundsAreNamedNotComputed) {
  std::string error;
  const std::string huge =
      "\"9223372036854775807,999\";340;1120;\"12,5\";0;4;0;0;54 01 1C 19 00 08 00 00\n";
  EXPECT_FALSE(parse(std::string(kHeader) + std::string(kRow1) + huge + std::string(kRow2), error));
  EXPECT_NE(error.find("повреждена: строка 3: время «9223372036854775807,999» не число секунд от 0 "
                       "до 8640000"),
            std::string::npos)
      << error;
  const std::string negative = "\"-1,000\";340;1120;\"12,5\";0;4;0;0;54 01 1C 19 00 08 00 00\n";
  EXPECT_FALSE(parse(std::string(kHeader) + negative + std::string(kRow2), error));
  const std::string longLine = std::string(kMaxRecordLineBytes + 1, '1') + "\n";
  EXPECT_FALSE(
      parse(std::string(kHeader) + std::string(kRow1) + longLine + std::string(kRow2), error));
  EXPECT_NE(error.find("длиннее 4096 байт"), std::string::npos) << error;

  // The largest time allowed plays to its end with a position that stays in range.
  std::string last = std::string(kRow2);
  last.replace(1, 2, "8640000");
  const std::optional<Recording> longest =
      parse(std::string(kHeader) + std::string(kRow1) + last, error);
  ASSERT_TRUE(longest) << error;
  EXPECT_EQ(longest->answers.back().ms, kMaxRecordSeconds * 1000 + 100);
}

#ifndef _WIN32
TEST(RecordingFileTest, OnlyARegularFileWithinTheSizeBoundIsOpenedAndNothingBlocks) {
  const fs::path folder =
      fs::temp_directory_path() /
      ("vortlen3-read-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(folder);
  std::string error;
  // A FIFO with no writer: a blocking open would wait for good.
  const fs::path fifo = folder / "fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(readRecording(fifo.string(), layouts(), error));
  EXPECT_NE(error.find("не является обычным файлом"), std::string::npos) << error;
  EXPECT_FALSE(readRecording(folder.string(), layouts(), error));
  EXPECT_NE(error.find("не является обычным файлом"), std::string::npos) << error;

  const fs::path big = folder / "big.csv";
  std::ofstream(big) << kHeader << kRow1;
  fs::resize_file(big, kMaxRecordingBytes + 1);  // sparse: nothing is written
  EXPECT_FALSE(readRecording(big.string(), layouts(), error));
  EXPECT_NE(error.find("не больше 64 МБ"), std::string::npos) << error;

  const fs::path good = folder / "good.csv";
  std::ofstream(good) << kHeader << kRow1 << kRow2;
  const std::optional<Recording> recording = readRecording(good.string(), layouts(), error);
  ASSERT_TRUE(recording) << error;
  EXPECT_EQ(recording->path, good.string());
  EXPECT_FALSE(readRecording((folder / "none.csv").string(), layouts(), error));
  EXPECT_EQ(error, "Не удалось открыть файл none.csv: файл или папка не найдены.");

  // An export replaces a file whole, and one that fails leaves no file behind.
  std::string reason;
  EXPECT_TRUE(writeWholeFile(good.string(), "new", reason)) << reason;
  EXPECT_EQ(fs::file_size(good), 3u);
  EXPECT_FALSE(writeWholeFile((folder / "gone" / "a.txt").string(), "text", reason));
  EXPECT_EQ(reason, "файл или папка не найдены");
  EXPECT_FALSE(writeWholeFile("/dev/full/a.txt", "text", reason));
  EXPECT_EQ(reason, "часть пути не является папкой");
  const std::vector<fs::directory_entry> left{fs::directory_iterator(folder), {}};
  EXPECT_EQ(left.size(), 3u);  // fifo, big, good and nothing else
  fs::remove_all(folder);
}
#endif

}  // namespace
}  // namespace vortlen
