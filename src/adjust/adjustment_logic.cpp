#include "adjustment_logic.h"

#include <algorithm>

#include "adjust_ids.h"
#include "ecu_services.h"
#include "parameter_catalogue.h"
#include "release_check.h"

namespace vortlen {

namespace {

constexpr const char* kRefusal = "ЭБУ не может выполнить операцию ";
constexpr const char* kRefusalBang = "ЭБУ не может выполнить операцию! ";

const AdjustmentTraits kTraits[] = {
    {ids::kCoDialog,
     " Установка СО  (1-смещение,  2-коэффициент)",
     320,
     97,
     2,
     {SliderRange{-64, 64, 4}, SliderRange{-64, 64, 4}},
     kRefusal},
    {ids::kIgnitionDialog,
     " 1-Смещение УОЗ,  2-Регулирока УОЗ (тест)",
     320,
     97,
     2,
     {SliderRange{-10, 40, 2}, SliderRange{-10, 120, 5}},
     kRefusal},
    {ids::kCoolantDialog,
     " Регулировка температуры ОЖ (тест)",
     320,
     62,
     1,
     {SliderRange{0, 255, 16}, SliderRange{}},
     kRefusalBang},
    {ids::kIdleValveDialog,
     " Установка РДВ (тест)",
     320,
     62,
     1,
     {SliderRange{0, 255, 16}, SliderRange{}},
     kRefusalBang},
};

std::uint8_t asByte(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

int asSigned(std::uint8_t byte) {
  return static_cast<std::int8_t>(byte);
}

}  // namespace

const AdjustmentTraits& adjustmentTraits(AdjustmentKind kind) {
  return kTraits[static_cast<int>(kind)];
}

ScreenRect adjustmentPlacement(AdjustmentKind kind, int ownerWidth, int ownerHeight, int ownerX,
                               int ownerY) {
  const AdjustmentTraits& traits = adjustmentTraits(kind);
  const int x = static_cast<int>(ownerWidth / 1.93) + ownerX;
  int y = ownerY;
  switch (kind) {
    case AdjustmentKind::Co:
      y += static_cast<int>(ownerHeight / 2.27);
      break;
    case AdjustmentKind::Ignition:
      y += static_cast<int>(ownerHeight / 3.9);
      break;
    case AdjustmentKind::Coolant:
      y += ownerHeight / 60;
      break;
    case AdjustmentKind::IdleValve:
      y += static_cast<int>(ownerHeight / 1.34);
      break;
  }
  return {x, y, traits.width, traits.height};
}

AdjustmentLogic::AdjustmentLogic(AdjustmentKind kind, SharedPort& port, Notifier& notifier,
                                 std::uint8_t& overrideMask)
    : kind_(kind), notifier_(notifier), overrideMask_(overrideMask), link_(port) {
  port.addHolder(*this);
}

AdjustmentLogic::~AdjustmentLogic() {
  link_.port().removeHolder(*this);
}

std::uint8_t AdjustmentLogic::heldCode() const {
  return kind_ == AdjustmentKind::Co ? ecu::kCoMask : ecu::kOverrideMask;
}

std::uint8_t AdjustmentLogic::heldBits() const {
  switch (kind_) {
    case AdjustmentKind::Co:
      return 0xFF;
    case AdjustmentKind::Ignition:
      return override_bits::kAdvance | override_bits::kOffset;
    case AdjustmentKind::Coolant:
      return override_bits::kCoolant;
    case AdjustmentKind::IdleValve:
      return override_bits::kIdleValve;
  }
  return 0;
}

bool AdjustmentLogic::holdsControl() const {
  return holding_ && link_.port().ledger().holds(heldCode(), heldBits());
}

void AdjustmentLogic::controlReleased(Cause cause) {
  if (!holding_ || link_.port().ledger().holds(heldCode(), heldBits())) return;
  holding_ = false;
  // The program-wide mask must not bring the override back with another window's write.
  if (kind_ != AdjustmentKind::Co) overrideMask_ &= static_cast<std::uint8_t>(~heldBits());
  positions_ = shownPositions_;
  notice_ = cause == Cause::LinkReturned ? kReleasedAfterLossText : kReleasedByOtherText;
  if (changed_) changed_();
}

void AdjustmentLogic::onShow() {
  const auto& answer = link_.ResponseBuffer();
  switch (kind_) {
    case AdjustmentKind::Co: {
      const std::uint8_t request[] = {ecu::kReadValues, ecu::kCoUpperTrim, ecu::kCoLowerTrim};
      if (link_.transact(request, sizeof request) == LinkResult::Ok) {
        readValue_ = {answer[0], answer[1]};
        setPosition(0, asSigned(answer[0]));
        setPosition(1, asSigned(answer[1]));
      } else {
        setPosition(0, 0);
        setPosition(1, 0);
      }
      break;
    }
    case AdjustmentKind::Ignition: {
      const std::uint8_t request[] = {ecu::kReadValues, ecu::kIgnitionOffset,
                                      ecu::kIgnitionAdvance};
      if (link_.transact(request, sizeof request) == LinkResult::Ok) {
        // The ECU holds the offset negated.
        readValue_[0] = answer[0];
        setPosition(0, -asSigned(answer[0]));
        setPosition(1, asSigned(answer[1]));
      } else {
        setPosition(0, 0);
        setPosition(1, 0);
      }
      break;
    }
    case AdjustmentKind::Coolant: {
      const std::uint8_t request[] = {ecu::kReadValues, ecu::kCoolant};
      setPosition(0, link_.transact(request, sizeof request) == LinkResult::Ok ? answer[0] : 40);
      overrideMask_ |= override_bits::kCoolant;
      break;
    }
    case AdjustmentKind::IdleValve: {
      const std::uint8_t request[] = {ecu::kReadValues, 0x5C};
      setPosition(0, link_.transact(request, sizeof request) == LinkResult::Ok ? answer[0] : 0);
      overrideMask_ |= override_bits::kIdleValve;
      break;
    }
  }
  shownPositions_ = positions_;
  holding_ = false;
  notice_.clear();
}

void AdjustmentLogic::setPosition(int slider, int position) {
  if (slider < 0 || slider >= traits().sliderCount) return;
  const SliderRange& range = traits().ranges[static_cast<std::size_t>(slider)];
  positions_[static_cast<std::size_t>(slider)] = std::clamp(position, range.min, range.max);
}

std::string AdjustmentLogic::valueText(int slider) const {
  const int value = position(slider);
  switch (kind_) {
    case AdjustmentKind::Co:
      return trimZeros(fixedText(value * 0.00390625, 3));
    case AdjustmentKind::Ignition:
      return trimZeros(fixedText(value * 0.5, 1));
    case AdjustmentKind::Coolant:
      return integerText(value - 40);
    case AdjustmentKind::IdleValve:
      return integerText(value);
  }
  return {};
}

bool AdjustmentLogic::write(const std::uint8_t* request, std::size_t length) {
  // A release due after a loss may go first and reset the sliders; this write then puts the
  // user's values back in the ECU.
  const std::array<int, 2> wanted = positions_;
  const LinkResult result = link_.transact(request, length);
  // On the line, the override may be in the ECU whatever the answer.
  if (result != LinkResult::PortNotOpen) {
    holding_ = true;
    positions_ = wanted;
    notice_.clear();
  }
  if (result != LinkResult::Ok) {
    notifier_.message(std::string(linkMessage(result)), kAdjustErrorTitle, MessageIcon::Stop);
    return false;
  }
  if (link_.ResponseBuffer()[0] != ecu::kCompletionDone) {
    notifier_.message(traits().refusalText, kAdjustErrorTitle, MessageIcon::Exclamation);
    return false;
  }
  return true;
}

void AdjustmentLogic::onSliderReleased(int slider) {
  if (slider < 0 || slider >= traits().sliderCount) return;
  const std::uint8_t v = asByte(position(slider));
  switch (kind_) {
    case AdjustmentKind::Co: {
      const std::uint8_t code = slider == 0 ? ecu::kCoUpperTrim : ecu::kCoLowerTrim;
      const std::uint8_t request[] = {ecu::kWriteValues, ecu::kCoMask, 0x18, code, v};
      write(request, sizeof request);
      break;
    }
    case AdjustmentKind::Ignition: {
      // The two sliders exclude each other in the ECU: only the last one let go overrides.
      std::uint8_t code = 0;
      std::uint8_t value = v;
      if (slider == 0) {
        overrideMask_ = static_cast<std::uint8_t>((overrideMask_ & ~override_bits::kAdvance) |
                                                  override_bits::kOffset);
        code = ecu::kIgnitionOffset;
        value = asByte(-position(0));
      } else {
        overrideMask_ = static_cast<std::uint8_t>((overrideMask_ & ~override_bits::kOffset) |
                                                  override_bits::kAdvance);
        code = ecu::kIgnitionAdvance;
      }
      const std::uint8_t request[] = {ecu::kWriteValues, ecu::kOverrideMask, overrideMask_, code,
                                      value};
      write(request, sizeof request);
      break;
    }
    case AdjustmentKind::Coolant:
    case AdjustmentKind::IdleValve: {
      const std::uint8_t code =
          kind_ == AdjustmentKind::Coolant ? ecu::kCoolant : ecu::kIdleValveTarget;
      // Set when the window is shown; taken away only by a release the window did not ask for.
      overrideMask_ |= heldBits();
      const std::uint8_t request[] = {ecu::kWriteValues, ecu::kOverrideMask, overrideMask_, code,
                                      v};
      write(request, sizeof request);
      break;
    }
  }
}

bool AdjustmentLogic::askToStore(const std::string& question, std::uint8_t item) {
  // A window whose link is down closes without asking.
  if (link_.lastResult() != LinkResult::Ok) return true;
  switch (notifier_.ask(question, kAdjustQuestionTitle)) {
    case Answer::Cancel:
      return false;
    case Answer::Yes: {
      const std::uint8_t request[] = {ecu::kWriteValues, ecu::kCommand, ecu::kCommandStore,
                                      ecu::kStoreItem, item};
      write(request, sizeof request);  // a failed save is reported; the close goes on
      return true;
    }
    case Answer::No:
      return true;
  }
  return true;
}

void AdjustmentLogic::release(const std::uint8_t* request, std::size_t length) {
  holding_ = false;
  notice_.clear();
  releaseOrWarn(link_, request, length, notifier_, kAdjustErrorTitle);
}

void AdjustmentLogic::sendMask() {
  const std::uint8_t request[] = {ecu::kWriteValues, ecu::kOverrideMask, overrideMask_};
  release(request, sizeof request);
}

bool AdjustmentLogic::onClose() {
  switch (kind_) {
    case AdjustmentKind::Co: {
      if (position(0) != asSigned(readValue_[0]) &&
          !askToStore("Записать СО на ХХ в память ЭБУ ? ", 1))
        return false;
      if (position(1) != asSigned(readValue_[1]) &&
          !askToStore("Записать смещение СО в память ЭБУ ? ", 2))
        return false;
      const std::uint8_t clear[] = {ecu::kWriteValues, ecu::kCoMask, 0x00, ecu::kCommand,
                                    ecu::kCommandNone};
      release(clear, sizeof clear);
      return true;
    }
    case AdjustmentKind::Ignition:
      if (asByte(-position(0)) != readValue_[0] &&
          !askToStore("Записать данные в память ЭБУ ? ", 3))
        return false;
      overrideMask_ &=
          static_cast<std::uint8_t>(~(override_bits::kAdvance | override_bits::kOffset));
      sendMask();
      return true;
    case AdjustmentKind::Coolant:
      overrideMask_ &= static_cast<std::uint8_t>(~override_bits::kCoolant);
      sendMask();
      return true;
    case AdjustmentKind::IdleValve:
      overrideMask_ &= static_cast<std::uint8_t>(~override_bits::kIdleValve);
      sendMask();
      return true;
  }
  return true;
}

}  // namespace vortlen
