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

bool ReleaseLedger::noteWrite(const std::uint8_t* request, std::size_t length, bool confirmed) {
  if (request == nullptr || length == 0 || request[0] != ecu::kWriteValues) return false;
  bool released = false;
  std::size_t i = 1;
  while (i + 1 < length) {
    const std::uint8_t code = request[i];
    const std::size_t width = ecu::valueWidth(code);
    if (code >= kFirstCode && code < kFirstCode + held_.size()) {
      std::uint8_t& held = held_[code - kFirstCode];
      const std::uint8_t value = request[i + 1];
      if (confirmed) {
        released = released || (held & ~value) != 0;
        held = value;
      } else {
        // Unconfirmed, the ECU may have the old value or the new one.
        held |= value;
      }
    }
    i += 1 + width;
  }
  if (confirmed) {
    if (isFullRelease(request, length)) {
      owedCount_ = 0;
    } else {
      // A holder that sent its own release again has paid what it owed.
      std::size_t kept = 0;
      for (std::size_t k = 0; k < owedCount_; ++k) {
        const Request& owed = owed_[k];
        if (owed.length == length && std::equal(request, request + length, owed.bytes.begin()))
          continue;
        owed_[kept++] = owed;
      }
      owedCount_ = kept;
    }
  }
  return released;
}

void ReleaseLedger::noteResult(LinkResult result) {
  switch (result) {
    case LinkResult::Ok:
      lost_ = false;
      return;
    case LinkResult::BadChecksum:
    case LinkResult::Overflow:
    case LinkResult::NoAnswer:
      // The adapter echoed: the line is there and only an answer went wrong.
      return;
    case LinkResult::PortNotOpen:
    case LinkResult::AdapterOff:
    case LinkResult::EchoMismatch:
      lost_ = true;
      return;
  }
}

bool ReleaseLedger::held() const {
  // The relay outputs count only under the relay mask.
  return std::any_of(held_.begin() + 1, held_.end(), [](std::uint8_t v) { return v != 0; });
}

bool ReleaseLedger::holds(std::uint8_t code, std::uint8_t bits) const {
  if (code < kFirstCode || code >= kFirstCode + held_.size()) return false;
  return (held_[code - kFirstCode] & bits) != 0;
}

void ReleaseLedger::owe(const std::uint8_t* request, std::size_t length) {
  if (request == nullptr || length == 0 || length > kMaxRequest) return;
  const bool full = isFullRelease(request, length);
  for (std::size_t k = 0; k < owedCount_; ++k) {
    const Request& owed = owed_[k];
    if (isFullRelease(owed.bytes.data(), owed.length)) return;
    if (owed.length == length && std::equal(request, request + length, owed.bytes.begin())) return;
  }
  if (full) owedCount_ = 0;
  // More holders than places cannot end unreleased at once; should it happen, the full
  // release stands for all of them.
  if (owedCount_ == kMaxOwed) {
    owedCount_ = 0;
    return owe(ecu::releaseRequest.data(), ecu::releaseRequest.size());
  }
  Request& slot = owed_[owedCount_++];
  std::copy(request, request + length, slot.bytes.begin());
  slot.length = length;
}

const std::uint8_t* ReleaseLedger::owedRequest(std::size_t& length) const {
  length = owedCount_ > 0 ? owed_[0].length : 0;
  return owed_[0].bytes.data();
}

void ReleaseLedger::dropOldestOwed() {
  if (owedCount_ == 0) return;
  std::move(owed_.begin() + 1, owed_.begin() + static_cast<std::ptrdiff_t>(owedCount_),
            owed_.begin());
  --owedCount_;
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
         ".\nПрограмма повторит снятие, когда связь восстановится. Чтобы снять его сейчас, "
         "выключите и включите зажигание.";
}

std::string ReleaseLedger::refusedWarning() const {
  return "ЭБУ отказался снять управление. Может оставаться включено: " + heldItems() +
         ".\nЧтобы снять его, выключите и включите зажигание.";
}

bool isFullRelease(const std::uint8_t* request, std::size_t length) {
  return length == ecu::releaseRequest.size() &&
         std::equal(ecu::releaseRequest.begin(), ecu::releaseRequest.end(), request);
}

}  // namespace vortlen
