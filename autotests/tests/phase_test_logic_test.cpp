#include "phase_test_logic.h"

#include <gtest/gtest.h>

#include "scripted_ecu.h"
#include "window_fakes.h"

namespace vortlen {
namespace {

using test::ScriptedEcu;

class RecordingView final : public PhaseTestView {
 public:
  void drawFrame(const PhaseFrame& frame) override { frames.push_back(frame); }
  std::vector<PhaseFrame> frames;
};

class PhaseTestLogicTest : public ::testing::Test {
 protected:
  PhaseTestLogicTest() { shared.openPort(1); }

  ScriptedEcu port;
  SharedPort shared{port};
  test::FakeTimer timer;
  RecordingView view;
  PhaseTestLogic logic{shared, timer, view};
};

TEST_F(PhaseTestLogicTest, PollsEvery90MsAfterTheExchangeAndShowsFailuresOverTheGrid) {
  logic.onInit();
  ASSERT_EQ(view.frames.size(), 1u);
  EXPECT_EQ(view.frames[0].kind, PhaseFrame::Kind::Grid);
  EXPECT_EQ(timer.starts, std::vector<int>{90});

  port.answer({0x82, 0x14, 0x2C, 0x01, 0x50});
  logic.onTimer();
  const std::vector<std::uint8_t> frame = {0x61, 0x1A, 0x26, 0x23, 0x2C};
  ASSERT_GE(port.requests.back().size(), frame.size());
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), port.requests.back().begin()));
  EXPECT_EQ(timer.starts, (std::vector<int>{90, 90}));
  EXPECT_EQ(view.frames.back().kind, PhaseFrame::Kind::Reading);

  port.silence();
  logic.onTimer();
  EXPECT_EQ(view.frames.back().kind, PhaseFrame::Kind::Failure);
  EXPECT_EQ(view.frames.back().failure, "Нет ответа ЭБУ");
  EXPECT_TRUE(timer.isRunning()) << "the next tick tries again";
}

struct AnswerRow {
  std::array<std::uint8_t, 5> answer;
  std::array<const char*, 4> texts;
  int vacuumX;
  int speedY;
};

class PhaseFrameTest : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(PhaseFrameTest, TextsAndLines) {
  const AnswerRow& row = GetParam();
  const PhaseFrame frame = phaseFrame(row.answer.data());
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(frame.values[i], row.texts[i]);
  EXPECT_EQ(frame.vacuumX, row.vacuumX);
  EXPECT_EQ(frame.speedY, row.speedY);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, PhaseFrameTest,
    ::testing::Values(AnswerRow{{0x82, 0x14, 0x2C, 0x01, 0x50},
                                {"Температура 90", "Уоз 10", "Разряжение 300", "Обороты 800"},
                                300,
                                350},
                      AnswerRow{{0x00, 0xFB, 0xE8, 0x03, 0x00},
                                {"Температура -40", "Уоз -2.5", "Разряжение 1000", "Обороты 0"},
                                599,
                                510},
                      AnswerRow{{0xFF, 0x1F, 0x57, 0x02, 0xFF},
                                {"Температура 215", "Уоз 15.5", "Разряжение 599", "Обороты 2550"},
                                599,
                                0},
                      AnswerRow{{0x28, 0x00, 0x00, 0x00, 0x01},
                                {"Температура 0", "Уоз 0", "Разряжение 0", "Обороты 10"},
                                0,
                                508}));

}  // namespace
}  // namespace vortlen
