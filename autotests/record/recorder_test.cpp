// The recorder's files byte for byte, read back, and its failures; with a heap counter to show
// that a row costs no allocation once its file is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "counting_new.h"
#include "graph_recording.h"
#include "main_recording.h"
#include "recorder.h"
#include "recording_file.h"
#include "utf8_path.h"

namespace vortlen {
namespace {

namespace fs = std::filesystem;

class FakeClock final : public RecordClock {
 public:
  std::int64_t nowMs() override { return now; }
  std::string stamp() override { return "2026-12-07_10-00-00"; }
  std::int64_t now = 5000;
};

class HeardFailures final : public RecordListener {
 public:
  void recordingFailed(const std::string& message) override { messages.push_back(message); }
  std::vector<std::string> messages;
};

std::span<const RecordLayout> layouts() {
  return mainRecordLayouts();
}

std::string contents(const std::string& path) {
  std::ifstream in(utf8Path(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the main window shows of set `set` for `answer`, as the polling leaves it.
LiveDisplay shown(int set, std::span<const std::uint8_t> answer) {
  LiveDisplay display;
  display.activeSet = set;
  display.texts[0] = "МИКАС 7.1";
  const SetReading reading = decodeSetAnswer(set, answer);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    display.texts[kHeaderFields + slot] = reading.texts[slot];
  }
  display.modeFlags = reading.modeFlags;
  display.cylinderFlags = reading.cylinderFlags;
  return display;
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder =
        fs::temp_directory_path() /
        ("vortlen3-record-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  fs::path folder;
  FakeClock clock;
};

// Set 1: coolant 0x3C (20), 154 (14 V), 28 (1120 rpm), advance 0xF6 (-5), 0x7F, 0x0154
// (340 mbar), 82, 0x0271 (104 mg); flags 0x4004 and cylinder 2 lit.
constexpr std::uint8_t kSet1[16] = {0x04, 0x40, 0x00, 0x07, 0x00, 0x00, 0x3C, 0x9A,
                                    0x1C, 0xF6, 0x7F, 0x54, 0x01, 0x52, 0x71, 0x02};
// Set 4: the mode-point index 0x3A shows 3:10.
constexpr std::uint8_t kSet4[16] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x17, 0x2A,
                                    0x85, 0x3A, 0x10, 0x20, 0x00, 0x04, 0x10, 0x00};
constexpr std::uint8_t kGraph1[8] = {0x54, 0x01, 0x1C, 0x19, 0x00, 0x08, 0x00, 0x00};

TEST_F(RecorderTest, EachSetAndWindowIsAFileOfNumbersWithTheAnswerInHexLast) {
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  GraphRecordFeed graph(recorder);
  ASSERT_TRUE(recorder.start());
  clock.now = 6234;
  main.onSetAnswer(shown(1, kSet1), kSet1);
  clock.now = 6327;
  main.onSetAnswer(shown(1, kSet1), kSet1);
  clock.now = 7000;
  LiveDisplay set4 = shown(4, kSet4);
  set4.texts[kHeaderFields] = "0,45";  // a locale's decimal comma, as the window may show it
  main.onSetAnswer(set4, kSet4);
  clock.now = 68001;
  const std::array<std::string, kTraceCount> values{"340", "1120", "12.5", "0", "4", "0", "0"};
  graph.onGraphAnswer(1, values, kGraph1);
  recorder.stop();

  ASSERT_EQ(recorder.files().size(), 3u);
  EXPECT_EQ(utf8Name(utf8Path(recorder.files()[0]).filename()),
            "2026-12-07_10-00-00_МИКАС_7.1_01_main-set1.csv");
  EXPECT_EQ(utf8Name(utf8Path(recorder.files()[2]).filename()),
            "2026-12-07_10-00-00_МИКАС_7.1_03_graph-set1.csv");

  // A spreadsheet's form: a byte-order mark, ';' between fields, decimal commas in quotes.
  const std::string row1 =
      "20;14;1120;-5;-1;340;82;104;0;0;1;0;0;0;0;0;0;0;0;0;0;0;1;0;0;1;0;0;"
      "04 40 00 07 00 00 3C 9A 1C F6 7F 54 01 52 71 02\n";
  EXPECT_EQ(contents(recorder.files()[0]), "\xEF\xBB\xBF" + recordHeader(mainRecordLayout(1)) +
                                               "\n\"1,234\";" + row1 + "\"1,327\";" + row1);
  const std::string set4Text = contents(recorder.files()[1]);
  EXPECT_NE(set4Text.find("Индекс режимной точки (старшие 4 бита);Индекс режимной точки (младшие "
                          "4 бита)"),
            std::string::npos);
  EXPECT_NE(set4Text.find("\n\"2,000\";\"0,45\";\"0,82\";-123;3;10;16;32;"), std::string::npos)
      << set4Text;
  EXPECT_EQ(contents(recorder.files()[2]),
            "\xEF\xBB\xBFВремя (с);Абс.Давл. (м.бар);Обороты (обор/мин);УОЗ (град);Дет Ц1;Дет Ц2;"
            "Дет Ц3;Дет Ц4;Ответ ЭБУ (hex)\n\"63,001\";340;1120;\"12,5\";0;4;0;0;"
            "54 01 1C 19 00 08 00 00\n");
}

TEST_F(RecorderTest, ARowAllocatesNothingOnceItsFileIsOpen) {
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  ASSERT_TRUE(recorder.start());
  const LiveDisplay display = shown(1, kSet1);
  main.onSetAnswer(display, kSet1);
  const long before = test::heapAllocations();
  for (int i = 0; i < 100; ++i) {
    clock.now += 93;
    main.onSetAnswer(display, kSet1);
  }
  EXPECT_EQ(test::heapAllocations() - before, 0);
  EXPECT_EQ(recorder.rows(), 101u);
}

TEST_F(RecorderTest, WhatItWroteReadsBackAndAFileCutShortKeepsItsWholeRows) {
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  ASSERT_TRUE(recorder.start());
  for (int i = 0; i < 3; ++i) {
    clock.now += 100;
    main.onSetAnswer(shown(1, kSet1), kSet1);
  }
  recorder.stop();
  const std::string path = recorder.files()[0];
  {
    // The program was killed in the middle of a row.
    std::ofstream out(utf8Path(path), std::ios::binary | std::ios::app);
    out << "\"0,400\";20;14;11";
  }
  std::string error;
  const std::optional<Recording> recording = readRecording(path, layouts(), error);
  ASSERT_TRUE(recording) << error;
  EXPECT_EQ(recording->window, RecordWindow::Main);
  EXPECT_EQ(recording->set, 1);
  ASSERT_EQ(recording->answers.size(), 3u);
  EXPECT_EQ(recording->answers[2].ms, 300);
  EXPECT_TRUE(std::ranges::equal(recording->answers[1].answer(), kSet1));

  // A damaged row before the last, and a file of someone else's: nothing opens.
  std::string text = contents(path);
  text.replace(text.find("\n\"0,200\";") + 2, 5, "x,200");
  std::ofstream(utf8Path(path), std::ios::binary) << text;
  EXPECT_FALSE(readRecording(path, layouts(), error));
  EXPECT_NE(error.find("повреждена: строка 3: время «x,200»"), std::string::npos) << error;
  std::ofstream(utf8Path(path), std::ios::binary) << "date,rpm\n1,800\n";
  EXPECT_FALSE(readRecording(path, layouts(), error));
  EXPECT_NE(error.find("не является записью"), std::string::npos) << error;
}

TEST_F(RecorderTest, AFailedWriteStopsTheRecordingAndNamesTheFileAndReason) {
  HeardFailures heard;
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  recorder.setListener(&heard);
  ASSERT_TRUE(recorder.start());
  main.onSetAnswer(shown(1, kSet1), kSet1);
#ifndef _WIN32
  // The next set's file cannot be made: the folder has gone. (Windows does not let a folder
  // with an open file in it go.)
  fs::remove_all(folder);
  main.onSetAnswer(shown(4, kSet4), kSet4);
  EXPECT_FALSE(recorder.active());
  ASSERT_EQ(heard.messages.size(), 1u);
  EXPECT_EQ(heard.messages[0], "Запись остановлена: не удалось записать файл " +
                                   recorder.files()[1] + ": файл или папка не найдены");
  main.onSetAnswer(shown(4, kSet4), kSet4);
  EXPECT_EQ(heard.messages.size(), 1u);
#else
  recorder.stop();
  fs::remove_all(folder);
  heard.messages.push_back("the folder-gone case is POSIX's");
#endif

  // A folder that cannot be made: the recording does not start.
  std::ofstream(folder.string(), std::ios::binary) << "a file, not a folder";
  Recorder blocked((folder / "records").string(), clock);
  blocked.setListener(&heard);
  EXPECT_FALSE(blocked.start());
  EXPECT_EQ(heard.messages.size(), 2u);
  fs::remove(folder);
}

TEST_F(RecorderTest, ARecordingBegunInTheSameSecondOverwritesNoFile) {
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(recorder.start());
    main.onSetAnswer(shown(1, kSet1), kSet1);
    main.onSetAnswer(shown(4, kSet4), kSet4);  // a later file keeps the variant
    recorder.stop();
    EXPECT_EQ(recorder.rows(), 2u);
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(utf8Name(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{
                       "2026-12-07_10-00-00-2_МИКАС_7.1_01_main-set1.csv",
                       "2026-12-07_10-00-00-2_МИКАС_7.1_02_main-set4.csv",
                       "2026-12-07_10-00-00-3_МИКАС_7.1_01_main-set1.csv",
                       "2026-12-07_10-00-00-3_МИКАС_7.1_02_main-set4.csv",
                       "2026-12-07_10-00-00_МИКАС_7.1_01_main-set1.csv",
                       "2026-12-07_10-00-00_МИКАС_7.1_02_main-set4.csv",
                   }));
  std::string error;
  for (const std::string& name : names) {
    EXPECT_TRUE(readRecording(utf8Name(folder / utf8Path(name)), layouts(), error)) << error;
  }
}

#ifndef _WIN32
TEST_F(RecorderTest, AFileWhoseFolderIsRemovedStopsTheRecordingWithinASecond) {
  HeardFailures heard;
  Recorder recorder(folder.string(), clock);
  MainRecordFeed main(recorder);
  recorder.setListener(&heard);
  ASSERT_TRUE(recorder.start());
  main.onSetAnswer(shown(1, kSet1), kSet1);
  fs::remove_all(folder);
  // The rows still go into the open file, which no one can open any more, for under a second.
  clock.now += 900;
  main.onSetAnswer(shown(1, kSet1), kSet1);
  EXPECT_TRUE(recorder.active());
  clock.now += 100;
  main.onSetAnswer(shown(1, kSet1), kSet1);
  EXPECT_FALSE(recorder.active());
  ASSERT_EQ(heard.messages.size(), 1u);
  EXPECT_EQ(heard.messages[0], "Запись остановлена: не удалось записать файл " +
                                   recorder.files()[0] + ": файл или его папка удалены");
  // The window's timer asks too, when no answers come.
  fs::create_directories(folder);
  ASSERT_TRUE(recorder.start());
  main.onSetAnswer(shown(1, kSet1), kSet1);
  fs::remove(utf8Path(recorder.currentFile()));
  recorder.check();
  EXPECT_FALSE(recorder.active());
  EXPECT_EQ(heard.messages.size(), 2u);
}
#endif

}  // namespace
}  // namespace vortlen
