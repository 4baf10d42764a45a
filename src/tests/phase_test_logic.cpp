#include "phase_test_logic.h"

#include <algorithm>
#include <cstdio>

#include "parameter_catalogue.h"

namespace vortlen {

PhaseTestLogic::PhaseTestLogic(SharedPort& port, WindowTimer& timer, PhaseTestView& view)
    : link_(port), timer_(timer), view_(view) {}

PhaseTestLogic::~PhaseTestLogic() {
  timer_.stop();
}

void PhaseTestLogic::onInit() {
  frame_ = PhaseFrame{};
  view_.drawFrame(frame_);
  timer_.start(kPollPeriodMs);
}

void PhaseTestLogic::onTimer() {
  const LinkResult result = link_.transact(kPhaseTestRequest);
  timer_.stop();
  timer_.start(kPollPeriodMs);
  if (result == LinkResult::Ok) {
    frame_ = phaseFrame(link_.ResponseBuffer().data());
  } else {
    frame_ = PhaseFrame{};
    frame_.kind = PhaseFrame::Kind::Failure;
    frame_.failure = linkMessage(result);
  }
  view_.drawFrame(frame_);
}

PhaseFrame phaseFrame(const std::uint8_t* answer) {
  char text[64];
  PhaseFrame frame;
  frame.kind = PhaseFrame::Kind::Reading;
  std::snprintf(text, sizeof text, "%d", static_cast<int>(answer[0]) - 40);
  frame.values[0] = std::string("Температура ") + text;
  std::snprintf(text, sizeof text, "%.1f", static_cast<std::int8_t>(answer[1]) * 0.5);
  frame.values[1] = "Уоз " + trimZeros(text);
  const unsigned vacuum = answer[2] | static_cast<unsigned>(answer[3]) << 8;
  std::snprintf(text, sizeof text, "%u", vacuum);
  frame.values[2] = std::string("Разряжение ") + text;
  std::snprintf(text, sizeof text, "%u", answer[4] * 10u);
  frame.values[3] = std::string("Обороты ") + text;
  frame.vacuumX = static_cast<int>(std::min(vacuum, 599u));
  frame.speedY = kPhasePictureHeight - 2 * answer[4];
  return frame;
}

}  // namespace vortlen
