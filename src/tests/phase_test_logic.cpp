#include "phase_test_logic.h"

#include <algorithm>

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
  PhaseFrame frame;
  frame.kind = PhaseFrame::Kind::Reading;
  frame.values[0] = "Температура " + integerText(static_cast<int>(answer[0]) - 40);
  frame.values[1] = "Уоз " + trimZeros(fixedText(static_cast<std::int8_t>(answer[1]) * 0.5, 1));
  const unsigned vacuum = answer[2] | static_cast<unsigned>(answer[3]) << 8;
  frame.values[2] = "Разряжение " + integerText(vacuum);
  frame.values[3] = "Обороты " + integerText(answer[4] * 10u);
  frame.vacuumX = static_cast<int>(std::min(vacuum, 599u));
  frame.speedY = kPhasePictureHeight - 2 * answer[4];
  return frame;
}

}  // namespace vortlen
