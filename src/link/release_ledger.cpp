#include "release_ledger.h"

#include <algorithm>

#include "ecu_services.h"

namespace vortlen {

namespace {

constexpr const char* kRelayNames[] = {"лампа неисправностей", "вентилятор охлаждения",
                                       "кондиционер", "бензонасос", "клапан ЭПХХ"};

void append(std::string& list, const std::string& item) {
  if (!list.empty()) list += ", ";
  list += item;
}

}  // namespace

void ReleaseLedger::noteWrite(const std::uint8_t* request, std::size_t length, bool confirmed) {
  if (request == nullptr || length == 0 || request[0] != ecu::kWriteValues) return;
  std::size_t i = 1;
  while (i + 1 < length) {
    const std::uint8_t code = request[i];
    const std::size_t width = ecu::valueWidth(code);
    if (code >= kFirstCode && code < kFirstCode + held_.size()) {
      std::uint8_t& held = held_[code - kFirstCode];
      const std::uint8_t value = request[i + 1];
      // A write of 0 that the ECU did not confirm may not have reached it.
      if (value != 0) {
        held = value;
      } else if (confirmed) {
        held = 0;
      }
    }
    i += 1 + width;
  }
}

void ReleaseLedger::noteResult(LinkResult result) {
  switch (result) {
    case LinkResult::Ok:
    case LinkResult::BadChecksum:
    case LinkResult::Overflow:
      // The ECU answered something: the link is there.
      interrupted_ = false;
      return;
    case LinkResult::PortNotOpen:
    case LinkResult::AdapterOff:
    case LinkResult::EchoMismatch:
    case LinkResult::NoAnswer:
      interrupted_ = true;
      return;
  }
}

bool ReleaseLedger::owed() const {
  // The relay outputs count only under the relay mask.
  return std::any_of(held_.begin() + 1, held_.end(), [](std::uint8_t v) { return v != 0; });
}

std::string ReleaseLedger::heldItems() const {
  std::string items;
  const std::uint8_t relayMask = held_[ecu::kRelayMask - kFirstCode];
  if (relayMask != 0) {
    const std::uint8_t outputs = held_[ecu::kRelayOutputs - kFirstCode];
    std::string on;
    for (int bit = 0; bit < 5; ++bit) {
      if ((relayMask >> bit & 1) && (outputs >> bit & 1)) append(on, kRelayNames[bit]);
    }
    append(items, on.empty() ? std::string("реле под управлением программы")
                             : "реле под управлением программы (включены: " + on + ")");
  }
  const std::uint8_t overrides = held_[ecu::kOverrideMask - kFirstCode];
  if (overrides & 0x80) append(items, "подмена температуры ОЖ");
  if (overrides & 0x20) append(items, "положение РДВ");
  if (overrides & 0x04) append(items, "угол опережения зажигания");
  if (overrides & 0x08) append(items, "смещение УОЗ");
  if (overrides & ~0xAC) append(items, "подмена значений ЭБУ");
  if (held_[ecu::kCoMask - kFirstCode] != 0) append(items, "коррекция СО");
  const std::uint8_t cut = held_[ecu::kInjectorCut - kFirstCode];
  if (cut != 0) {
    std::string injectors;
    for (int bit = 0; bit < 4; ++bit) {
      if (cut >> bit & 1) append(injectors, "Ф" + std::to_string(bit + 1));
    }
    append(items, "отключены форсунки " + injectors);
  }
  return items;
}

std::string ReleaseLedger::unreleasedWarning() const {
  return "ЭБУ не подтвердил снятие управления. Может оставаться включено: " + heldItems() +
         ".\nЧтобы снять его, выключите и включите зажигание.";
}

bool isFullRelease(const std::uint8_t* request, std::size_t length) {
  return length == ecu::releaseRequest.size() &&
         std::equal(ecu::releaseRequest.begin(), ecu::releaseRequest.end(), request);
}

}  // namespace vortlen
