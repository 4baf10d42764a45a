#include "poll_cycle.h"

#include <algorithm>
#include <span>

#include "ecu_services.h"
#include "oem_text.h"

namespace vortlen {

namespace {

constexpr std::uint8_t kConnectRequest[] = {ecu::kWakeUp};
constexpr std::uint8_t kEcuTypeRequest[] = {0x51};
constexpr std::uint8_t kEngineRequest[] = {0x58};

// The ECU type and the engine fill a header field with at most this many characters.
constexpr std::size_t kHeaderLength = 15;

}  // namespace

void PollCycle::onPollTimer() {
  LinkResult result = LinkResult::Ok;
  switch (state_) {
    case PollState::Connect:
      result = link_.transact(kConnectRequest, sizeof kConnectRequest);
      break;
    case PollState::ReadEcuType:
      result = link_.transact(kEcuTypeRequest, sizeof kEcuTypeRequest);
      break;
    case PollState::ReadEngine:
      result = link_.transact(kEngineRequest, sizeof kEngineRequest);
      break;
    case PollState::Cycle:
      result = link_.transact(parameterSet(display_.activeSet).request);
      break;
  }
  // The period counts from the end of the exchange, whatever its result.
  timer_.stop();
  timer_.start(kStepPeriodMs);

  const bool ok = result == LinkResult::Ok;
  switch (state_) {
    case PollState::Connect:
      if (ok) {
        state_ = PollState::ReadEcuType;
      } else {
        display_.texts[0] = std::string(linkMessage(result));
      }
      break;
    case PollState::ReadEcuType:
      // A failure here is simply asked again: the ECU answered the wake-up.
      if (ok) {
        display_.texts[0] = headerText();
        state_ = PollState::ReadEngine;
      }
      break;
    case PollState::ReadEngine:
      if (ok) {
        display_.texts[1] = headerText();
        state_ = PollState::Cycle;
      } else {
        state_ = PollState::Connect;
      }
      break;
    case PollState::Cycle:
      if (ok) {
        const auto& buffer = link_.ResponseBuffer();
        const std::span answer(buffer.data(), std::min(link_.answerLength(), buffer.size()));
        showAnswer(answer);
        if (observer_) observer_->onSetAnswer(display_, answer);
      } else {
        clearLiveDisplay();
        state_ = PollState::Connect;
      }
      break;
  }
  view_.pushTexts();
}

void PollCycle::showAnswer(std::span<const std::uint8_t> answer) {
  const SetReading reading = decodeSetAnswer(display_.activeSet, answer);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    display_.texts[kHeaderFields + slot] = reading.texts[slot];
    if (reading.bars[slot]) setBar(slot, *reading.bars[slot]);
  }
  display_.modeFlags = reading.modeFlags;
  display_.cylinderFlags = reading.cylinderFlags;
  view_.refreshIndicators();
}

// Only the bytes the ECU sent count: a short answer must not show what an earlier one left.
std::string PollCycle::headerText() const {
  const auto& buffer = link_.ResponseBuffer();
  const std::size_t length = std::min(link_.answerLength(), kHeaderLength);
  return ecuText(std::span(buffer.data(), length), kHeaderLength);
}

void PollCycle::clearLiveDisplay() {
  link_.ResponseBuffer().fill(0);
  display_.modeFlags = 0;
  display_.cylinderFlags = {};
  view_.refreshIndicators();
  for (std::size_t field = 1; field < kDisplayTexts; ++field) display_.texts[field].clear();
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) setBar(slot, 0);
  view_.pushTexts();
}

void PollCycle::selectSet(int number) {
  const ParameterSet& set = parameterSet(number);
  display_.activeSet = set.number;
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    const ParameterDef& def = set.slots[slot];
    display_.captions[slot] = def.caption;
    display_.barMin[slot] = def.barMin;
    display_.barMax[slot] = def.barMax;
    setBar(slot, 0);
  }
  view_.setChanged();
}

void PollCycle::setBar(std::size_t slot, int position) {
  display_.bars[slot] = clampBar(position, display_.barMin[slot], display_.barMax[slot]);
}

}  // namespace vortlen
