#include "faults_logic.h"

#include <gtest/gtest.h>

#include "fault_table.h"
#include "scripted_ecu.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::Bytes;

constexpr const char* kDpkv = "Неисправность цепей ДПКВ или вторичного зажигания";

class RecordingView final : public FaultsView {
 public:
  explicit RecordingView(test::EventLog& log) : log_(log) {}
  void showRows() override { log_.push_back("rows"); }
  void closeWindow() override { log_.push_back("close"); }

 private:
  test::EventLog& log_;
};

class FaultsLogicTest : public ::testing::Test {
 protected:
  test::EventLog log;
  test::ScriptedEcu ecu;
  SharedPort port{ecu};
  test::FakeTimer timer{&log};
  test::FakeNotifier notifier{&log};
  test::FakeSleeper sleeper{&log};
  RecordingView view{log};
  FaultsLogic logic{{port, timer, notifier, sleeper, view}};
};

TEST_F(FaultsLogicTest, RowsKeepTheAnswersOrderAndShowEachFlagInItsColumn) {
  logic.onOpen();
  ecu.answer({0x02, 0x1B, 0xA0, 0x50, 0x80});
  logic.pollFaults();
  ASSERT_EQ(logic.rows().size(), 2u);
  EXPECT_EQ(logic.rows()[0], (FaultRow{"27", "XXX", "", "X", kDpkv}));
  EXPECT_EQ(logic.rows()[1], (FaultRow{"80", "", "", "X", "Неизвестно"}));

  // Every flag combination fills its own columns; the low bits show nothing. A code without a
  // description, and codes outside the table, are listed by number alone.
  ecu.answer({0x04, 0x64, 0x7F, 0x0B, 0x60, 0xFE, 0xE0, 0x0C, 0x00});
  logic.pollFaults();
  ASSERT_EQ(logic.rows().size(), 4u);
  EXPECT_EQ(logic.rows()[0], (FaultRow{"100", "XXX", "XX", "", ""}));
  EXPECT_EQ(logic.rows()[1], (FaultRow{"11", "XXX", "XX", "", ""}));
  EXPECT_EQ(logic.rows()[2], (FaultRow{"254", "XXX", "XX", "X", ""}));
  EXPECT_EQ(logic.rows()[3].text, "Включен режим самодиагностики блока");
  EXPECT_EQ(timer.starts, (std::vector<int>{90, 1000, 1000}));
}

TEST_F(FaultsLogicTest, AnEmptyAnswerKeepsTheRowsShown) {
  ecu.answer({0x01, 0x21, 0x80});
  logic.pollFaults();
  ecu.answer({0x00});
  logic.pollFaults();
  ecu.answer({});  // the terminator alone
  logic.pollFaults();
  ASSERT_EQ(logic.rows().size(), 1u);
  EXPECT_EQ(logic.rows()[0].code, "33");
}

TEST_F(FaultsLogicTest, ACountPastTheAnswerListsOnlyTheEntriesItCarries) {
  // An earlier long answer leaves bytes behind in the buffer; they must not turn into faults.
  ecu.answer({0x03, 0x0D, 0x80, 0x0E, 0x80, 0x0F, 0x80});
  logic.pollFaults();
  ecu.answer({0xFF, 0x11, 0x20});
  logic.pollFaults();
  ASSERT_EQ(logic.rows().size(), 1u);
  EXPECT_EQ(logic.rows()[0].code, "17");

  Bytes full(256, 0x15);
  full[0] = 200;
  ecu.answer(full);
  logic.pollFaults();
  EXPECT_EQ(logic.rows().size(), 127u);
}

TEST_F(FaultsLogicTest, TheTimerIsReArmedBeforeTheReadAndALinkFailureClosesTheWindow) {
  logic.onOpen();
  log.clear();
  ecu.silence();
  logic.pollFaults();
  EXPECT_EQ(log, (test::EventLog{"timer stop", "timer start 1000", "timer stop",
                                 "message Нет ответа ЭБУ", "close"}));
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
  EXPECT_FALSE(timer.isRunning());
}

TEST_F(FaultsLogicTest, ClearingSendsBothRequestsAndReportsEachRefusalOnce) {
  ecu.answer({0x01, 0x21, 0x80});
  logic.pollFaults();
  log.clear();
  ecu.answer({0x03});
  ecu.answer({0x00});
  logic.clearFaults();
  EXPECT_TRUE(logic.rows().empty());
  EXPECT_EQ(log, (test::EventLog{"rows", "timer stop",
                                 "message ЭБУ не может выполнить операцию, номер ошибки 3",
                                 "sleep 100", "timer start 90"}));
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(notifier.messages[0].caption, "Вортлен");
  EXPECT_EQ(ecu.requests.back(), (Bytes{0x62, 0x0E, 0x0A, 0x0E, 0x0A, 0x0E, 0x0A}));
  EXPECT_EQ(ecu.requests[ecu.requests.size() - 2], (Bytes{0x62, 0x0E, 0x0A}));

  // The second request's refusal is told too; a silent second request is not.
  notifier.messages.clear();
  ecu.answer({0x00});
  ecu.answer({0x07});
  logic.clearFaults();
  ecu.answer({0x00});
  ecu.silence();
  logic.clearFaults();
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "ЭБУ не может выполнить операцию, номер ошибки 7");
}

TEST_F(FaultsLogicTest, AFailedFirstClearReportsTheLinkAndGoesOnReading) {
  ecu.silence();
  logic.clearFaults();
  EXPECT_EQ(ecu.requests.size(), 1u);
  ASSERT_EQ(notifier.messages.size(), 1u);
  EXPECT_EQ(notifier.messages[0].text, "Нет ответа ЭБУ");
  EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(timer.isRunning());
  EXPECT_EQ(timer.period(), 90);
}

struct TextCase {
  int code;
  const char* text;
};

class FaultTableTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(FaultTableTest, TextOfCode) {
  EXPECT_EQ(faultText(GetParam().code), GetParam().text) << "code " << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, FaultTableTest,
    ::testing::Values(
        TextCase{12, "Включен режим самодиагностики блока"},
        TextCase{19, "Перегрев двигателя (температура охлаждающей жидкости выше 105°C)"},
        TextCase{28, kDpkv}, TextCase{29, kDpkv},
        TextCase{38, "Высокий уровень сигнала с второго L-зонда"},
        TextCase{58, "Обрыв цепи датчика положения коленчатого вала (АВТРОН)"},
        TextCase{79, "Неисправность при регулировании клапана рециркуляции по сенсору"},
        TextCase{81, "Максимальное смещение УОЗ по детонации в цилиндре 1"},
        TextCase{88, "Максимальное смещение УОЗ по детонации в цилиндре 8"},
        TextCase{91, "Короткое замыкание на бортсеть в цепи 1 зажигания"},
        TextCase{98, "Короткое замыкание на бортсеть в цепи 8 зажигания"},
        TextCase{131, "Короткое замыкание на бортсеть цепи форсунки 1"},
        TextCase{139, "Короткое замыкание на массу цепи форсунки 3"},
        TextCase{141, "Короткое замыкание на бортсеть цепи форсунки 4"},
        TextCase{152, "Обрыв или замыкание на массу цепи форсунки 7"},
        TextCase{156, "Короткое замыкание на массу цепи форсунки 8."},
        TextCase{173, "Короткое замыкание на землю цепи клапана рециркуляции"},
        TextCase{176, "Короткое замыкание на землю цепи клапана адсорбера"},
        TextCase{179, "Короткое замыкание на землю цепи реле главного"},
        TextCase{183, "Короткое замыкание на массу цепи лампы неисправности"},
        TextCase{231, "Обрыв или замыкание на массу цепи 1 зажигания"},
        TextCase{238, "Обрыв или замыкание на массу цепи 8 зажигания"},
        TextCase{241, "Короткое замыкание на массу цепи 1 зажигания"},
        TextCase{248, "Короткое замыкание на массу цепи 8 зажигания"},
        TextCase{253, "Короткое замыкание на массу цепи прожига (ДМРВ)"}, TextCase{20, ""},
        TextCase{77, ""}, TextCase{89, ""}, TextCase{130, ""}, TextCase{140, ""}, TextCase{150, ""},
        TextCase{230, ""}, TextCase{239, ""}, TextCase{250, ""}, TextCase{11, ""},
        TextCase{254, ""}, TextCase{0, ""}),
    [](const ::testing::TestParamInfo<TextCase>& info) {
      return "code" + std::to_string(info.param.code);
    });

TEST(FaultTableCount, OneHundredFiftySevenCodesHaveAText) {
  int withText = 0;
  for (int code = 0; code < 256; ++code) withText += faultText(code).empty() ? 0 : 1;
  EXPECT_EQ(withText, 157);
}

}  // namespace
}  // namespace vortlen
