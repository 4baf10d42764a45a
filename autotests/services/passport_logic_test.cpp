#include "passport_logic.h"

#include <gtest/gtest.h>

#include "scripted_ecu.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::Bytes;

class CountingView final : public PassportView {
 public:
  void refresh() override { ++refreshes; }
  int refreshes = 0;
};

Bytes text16(const std::string& ascii, std::uint8_t pad = ' ') {
  Bytes bytes(ascii.begin(), ascii.end());
  bytes.resize(16, pad);
  return bytes;
}

class PassportLogicTest : public ::testing::Test {
 protected:
  /// Answers for steps 0..14: each step's number in its text.
  void answerTexts(int steps) {
    for (int s = 0; s < steps; ++s) ecu.answer(text16("T" + std::to_string(s)));
  }

  /// The whole reading, answered.
  void readAll() {
    answerTexts(15);
    ecu.answer({0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    logic.onInit();
    tick(16);
    ecu.requests.clear();
    sleeper.sleeps.clear();
  }

  /// The field codes the requests since the reading stored, in order.
  std::vector<int> writtenFields() const {
    std::vector<int> codes;
    for (const Bytes& request : ecu.requests) {
      if (request.size() == 20) codes.push_back(request[3]);
    }
    return codes;
  }

  /// Ticks of timer 1, as long as it runs.
  void tick(int times) {
    for (int i = 0; i < times && timer.isRunning(); ++i) logic.onTimer();
  }

  test::EventLog log;
  test::ScriptedEcu ecu;
  SharedPort port{ecu};
  test::FakeTimer timer{&log};
  test::FakeNotifier notifier{&log};
  test::FakeSleeper sleeper{&log};
  CountingView view;
  PassportLogic logic{{port, timer, notifier, sleeper, view}};
};

TEST_F(PassportLogicTest, SixteenStepsInOrderWithTheTimerRestartedAfterEach) {
  answerTexts(15);
  ecu.answer({0x01, 0x00, 0x00, 0x3C, 0x00, 0x42});
  logic.onInit();
  EXPECT_EQ(log, (test::EventLog{"sleep 90", "timer start 90"}));
  tick(16);

  const std::vector<Bytes> expected = {
      {0x51},       {0x52},       {0x53},       {0x54},
      {0x55},       {0x56},       {0x57},       {0x58},
      {0x61, 0x74}, {0x61, 0x75}, {0x61, 0x76}, {0x61, 0x77},
      {0x61, 0x79}, {0x61, 0x7A}, {0x61, 0x7B}, {0x61, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}};
  EXPECT_EQ(ecu.requests, expected);
  EXPECT_EQ(timer.starts, std::vector<int>(16, 90));
  EXPECT_FALSE(timer.isRunning());
  EXPECT_EQ(logic.step(), 15);

  const std::vector<std::string> lines = {
      "Тип ЭБУ                             T0", "Паспорт программы    T1",
      "Таблица ссылок            T2",           "Тип ЭБУ                             T3",
      "Таблица ссылок            T4",           "Калибровка                     T5",
      "Дата выпуска                 T6",        "Двигатель                        T7"};
  EXPECT_EQ(logic.passportLines(), lines);
  EXPECT_EQ(logic.editTexts(),
            (std::array<std::string, 7>{"T8", "T9", "T10", "T11", "T12", "T13", "T14"}));
  EXPECT_EQ(logic.configuration(),
            (std::vector<std::string>{"Reserved", "Reserved", "Reserved", "Reserved", "Reserved",
                                      "Постоянное питание ЭБУ",
                                      "Система управления газораспределением"}));
  EXPECT_TRUE(logic.writeEnabled());
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(PassportLogicTest, AFailedStepStopsTheReadingWithItsMessage) {
  answerTexts(9);
  ecu.silence();
  logic.onInit();
  tick(12);
  EXPECT_EQ(ecu.requests.size(), 10u);  // 0x51 .. step 9, then nothing
  EXPECT_FALSE(timer.isRunning());
  EXPECT_EQ(logic.step(), 9);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "Нет ответа ЭБУ");
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен 3");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(logic.editTexts()[0], "T8");
  EXPECT_EQ(logic.editTexts()[1], "");
}

TEST_F(PassportLogicTest, NoAnswerToTheFirstRequestLeavesTheWindowEmpty) {
  ecu.silence();
  logic.onInit();
  EXPECT_TRUE(timer.starts.empty());
  EXPECT_EQ(notifier.messages.size(), 1u);
  EXPECT_TRUE(logic.passportLines().empty());
  EXPECT_FALSE(logic.writeEnabled());
}

TEST_F(PassportLogicTest, TextsStopAtZeroAreTrimmedAndConvertedFromCodePage866) {
  ecu.answer(text16(""));  // all blanks
  ecu.answer({'A', 'B', 'C', 0x00, 'X', 'Y'});
  ecu.answer(
      {' ', 0x8C, 0xA8, 0xAA, 0xA0, 0xE1, ' ', '7', '.', '1', ' ', ' ', ' ', ' ', ' ', ' ', 'Z'});
  ecu.answer({'P', 'R', 'G'});  // a short answer after a long one shows only its own bytes
  logic.onInit();
  tick(4);
  EXPECT_EQ(logic.passportLines(),
            (std::vector<std::string>{
                "Тип ЭБУ                             ", "Паспорт программы    ABC",
                "Таблица ссылок            Микас 7.1", "Тип ЭБУ                             PRG"}));
}

TEST_F(PassportLogicTest, AFieldStepPutsEveryStoredTextBackIntoTheEdits) {
  answerTexts(15);
  logic.onInit();
  tick(9);  // up to the first field
  logic.onEdited(3, "typed");
  EXPECT_EQ(logic.editTexts()[3], "typed");
  tick(1);
  EXPECT_EQ(logic.editTexts()[3], "");
}

TEST(ConfigurationItems, SortedAsARussianReaderSortsThemCapitalsAndSmallLettersAlike) {
  const std::vector<std::string> items = configurationItems({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  const auto at = [&items](const std::string& item) {
    return std::find(items.begin(), items.end(), item) - items.begin();
  };
  EXPECT_EQ(items.front(), "Reserved");
  EXPECT_LT(at("Датчик температуры воздуха"), at("Датчик температуры ОЖ"));
  EXPECT_EQ(items.back(), "Энергонезависимая память IROM");
}

TEST(FieldWriteRequest, TextInCodePage866PaddedWithZerosOrFullWithoutTerminator) {
  EXPECT_EQ(fieldWriteRequest(0x74, "ГАЗ-3110"),
            (std::array<std::uint8_t, 20>{0x62, 0x0E, 0x01, 0x74, 0x83, 0x80, 0x87, '-', '3', '1',
                                          '1',  '0',  0,    0,    0,    0,    0,    0,   0,   0}));
  EXPECT_EQ(
      fieldWriteRequest(0x7B, "ёЁ абвгдежзийклм"),
      (std::array<std::uint8_t, 20>{0x62, 0x0E, 0x01, 0x7B, 0xF1, 0xF0, ' ',  0xA0, 0xA1, 0xA2,
                                    0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC}));
  EXPECT_EQ(fieldWriteRequest(0x79, "рсяЯ€"),
            (std::array<std::uint8_t, 20>{0x62, 0x0E, 0x01, 0x79, 0xE0, 0xE1, 0xEF, 0x9F, '?'}));
  EXPECT_EQ(fieldWriteRequest(0x75, "").size(), 20u);
}

TEST_F(PassportLogicTest, WriteSendsAllNineRequestsAndDisablesTheButton) {
  readAll();
  logic.onEdited(0, "ГАЗ");
  EXPECT_TRUE(logic.writeEnabled());
  for (int i = 0; i < 9; ++i) ecu.answer({0x00});
  log.clear();
  logic.write();
  EXPECT_FALSE(logic.writeEnabled());
  ASSERT_EQ(ecu.requests.size(), 9u);
  const std::uint8_t codes[7] = {0x74, 0x75, 0x76, 0x77, 0x79, 0x7A, 0x7B};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(ecu.requests[static_cast<std::size_t>(i)].size(), 20u);
    EXPECT_EQ(ecu.requests[static_cast<std::size_t>(i)][3], codes[i]);
  }
  EXPECT_EQ(ecu.requests[0][4], 0x83);
  EXPECT_EQ(ecu.requests[7], (Bytes{0x62, 0x0E, 0x01, 0x73, 0x01}));
  EXPECT_EQ(ecu.requests[8], (Bytes{0x62, 0x0E, 0x01, 0x78, 0x01}));
  EXPECT_EQ(sleeper.sleeps, std::vector<int>(8, 100));
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(PassportLogicTest, AFailedOrRefusedWriteIsToldAfterAllNineRequests) {
  readAll();
  ecu.answer({0x00});
  ecu.silence();
  for (int i = 0; i < 3; ++i) ecu.answer({0x00});
  ecu.answer({0x05});
  for (int i = 0; i < 3; ++i) ecu.answer({0x00});
  logic.write();
  EXPECT_EQ(ecu.requests.size(), 9u);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "Нет ответа ЭБУ");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен 3");

  notifier.messages.clear();
  for (int i = 0; i < 5; ++i) ecu.answer({0x00});
  ecu.answer({0x04});
  ecu.answer({0x00});
  ecu.answer({0x02});
  ecu.answer({0x00});
  logic.write();
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "ЭБУ не может выполнить операцию, номер ошибки 4");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
}

TEST_F(PassportLogicTest, AFieldNeitherReadNorEditedIsNeverWritten) {
  // The reading stops at 61 76: only the first two fields came from the ECU, and what was typed
  // into the fifth edit before them was put back to the empty text not read.
  answerTexts(10);
  ecu.silence();
  logic.onInit();
  tick(8);
  logic.onEdited(4, "typed");
  tick(4);
  ASSERT_EQ(ecu.requests.back(), (Bytes{0x61, 0x76}));
  ASSERT_TRUE(logic.writeEnabled());
  ecu.requests.clear();
  logic.write();
  EXPECT_EQ(writtenFields(), (std::vector<int>{0x74, 0x75}));
  EXPECT_EQ(ecu.requests.size(), 4u);  // and the two flags

  // Typed into the fourth edit: that field joins the ones read.
  logic.onEdited(3, "ADC");
  ecu.requests.clear();
  logic.write();
  EXPECT_EQ(writtenFields(), (std::vector<int>{0x74, 0x75, 0x77}));
}

TEST_F(PassportLogicTest, AfterAFailedFirstRequestOnlyTheTypedFieldIsWritten) {
  ecu.silence();
  logic.onInit();
  logic.onEdited(5, "XTA");
  ecu.requests.clear();
  logic.write();
  EXPECT_EQ(writtenFields(), (std::vector<int>{0x7A}));
  EXPECT_EQ(ecu.requests[0][4], 'X');
}

}  // namespace
}  // namespace vortlen
