#include "ecu_model.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <string_view>

#include "ecu_services.h"

namespace vortlen::sim {
namespace {

constexpr double kStepSeconds = 0.01;
constexpr std::int64_t kStepMs = 10;

// Share of the idle power that is left with 0..4 cylinders firing.
constexpr std::array<double, 5> kCylinderShare = {0.0, 0.15, 0.5, 0.8, 1.0};

constexpr std::uint8_t kModeStopped = 0;
constexpr std::uint8_t kModeIdle = 2;
constexpr std::uint8_t kModeMixtureRegulation = 6;
constexpr std::uint8_t kModeKnockRegulation = 7;
constexpr std::uint8_t kModeEnrichment = 8;
constexpr std::uint8_t kModePurge = 9;
constexpr std::uint8_t kModeKnock = 14;

std::uint8_t cp866(char32_t c) {
  if (c < 0x80) return static_cast<std::uint8_t>(c);
  if (c >= U'А' && c <= U'п') return static_cast<std::uint8_t>(0x80 + (c - U'А'));
  if (c >= U'р' && c <= U'я') return static_cast<std::uint8_t>(0xE0 + (c - U'р'));
  if (c == U'Ё') return 0xF0;
  if (c == U'ё') return 0xF1;
  return '?';
}

// The ECU's texts are written here in UTF-8 (Latin and Cyrillic only) and kept in code page 866.
Text makeText(std::u8string_view utf8, std::uint8_t pad) {
  Text text;
  text.fill(pad);
  std::size_t out = 0;
  for (std::size_t i = 0; i < utf8.size() && out < text.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    char32_t c = lead;
    if (lead >= 0xC0 && i + 1 < utf8.size()) {
      c = static_cast<char32_t>(((lead & 0x1F) << 6) |
                                (static_cast<std::uint8_t>(utf8[i + 1]) & 0x3F));
      i += 2;
    } else {
      ++i;
    }
    text[out++] = cp866(c);
  }
  return text;
}

std::uint8_t clampByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

std::uint16_t clampWord(double value) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, 65535L));
}

std::uint8_t signedByte(double value) {
  return static_cast<std::uint8_t>(
      static_cast<std::int8_t>(std::clamp(std::lround(value), -128L, 127L)));
}

// Voltage of a 2.5 kΩ NTC sensor against a 1 kΩ pull-up on 5 V.
double ntcVolts(double celsius) {
  const double resistance = 2500.0 * std::exp(3400.0 * (1.0 / (celsius + 273.15) - 1.0 / 298.15));
  return 5.0 * resistance / (resistance + 1000.0);
}

constexpr double kVoltStep = 0.01960784;  // 5 V / 255

bool isField(std::uint8_t code) {
  return code >= ecu::kFirstField && code <= ecu::kLastField && code != ecu::kFieldFlag;
}

std::size_t fieldIndex(std::uint8_t code) {
  return code < ecu::kFieldFlag ? code - ecu::kFirstField : code - ecu::kFirstField - 1;
}

}  // namespace

EcuModel::EcuModel(std::uint32_t seed) : rng_(seed == 0 ? 0x9E3779B9u : seed) {
  texts_ = {
      makeText(u8"МИКАС 7.1", ' '),     makeText(u8"ПРОГРАММА 21.07", ' '),
      makeText(u8"ТАБЛ. 406-014", ' '), makeText(u8"МИКАС 7.1 4062", ' '),
      makeText(u8"ССЫЛКИ 0117", ' '),   makeText(u8"КАЛИБР. 4062-03", ' '),
      makeText(u8"12.03.2004", ' '),    makeText(u8"ЗМЗ-4062.10", ' '),
  };
  // The fields are written by the tester as text padded with zero bytes.
  fields_ = {
      makeText(u8"ГАЗ-3110", 0),   makeText(u8"0412873", 0),        makeText(u8"2.31", 0),
      makeText(u8"АЦП-07", 0),     makeText(u8"40620D*3012457", 0), makeText(u8"ХТН31100041234", 0),
      makeText(u8"15.06.2004", 0),
  };

  for (std::size_t k = 0; k < tables_.size(); ++k) {
    for (std::size_t i = 0; i < 16; ++i) {
      for (std::size_t j = 0; j < 16; ++j) {
        const double shape =
            14.0 * std::sin(0.55 * static_cast<double>(i) + 0.9 * static_cast<double>(k)) +
            9.0 * std::cos(0.4 * static_cast<double>(j) - 0.7 * static_cast<double>(k));
        const auto ripple = static_cast<double>((i * 7 + j * 3 + k * 5) % 9) - 4.0;
        tables_[k][16 * i + j] = clampByte(128.0 + shape + ripple);
      }
    }
  }

  faults_ = {{33, kFaultPresent}, {61, kFaultOnce}, {71, kFaultManyTimes}};

  // Configuration of a ЗМЗ-4062.10 installation: sensors 0x01..0x02, functions 0x03..0x04,
  // actuators 0x05..0x06.
  memory_[0x01] = 0x1F;  // permanent supply, oxygen sensor, knock, air temperature, phase
  memory_[0x02] = 0xE0;  // hot-wire air mass meter, throttle position, coolant temperature
  memory_[0x03] = 0xC1;  // IROM, throttle zero and idle speed adaptation
  memory_[0x04] = 0xC3;  // idle valve adaptation, heated oxygen sensor, injectors, coils
  memory_[0x05] = 0x23;  // fault lamp, fuel pump, tachometer
  memory_[0x06] = 0x05;  // cooling fan, idle air regulator

  memory_[0x16] = 2;      // start took 2 s
  memory_[0x17] = 14;     // and 14 crankshaft revolutions
  memory_[0x18] = 52;     // injection starts at 312° of the crankshaft
  memory_[0x33] = 1850;   // cycle filling limit, units of 0.1667 mg
  memory_[0x35] = 127;    // barometric correction
  memory_[0x3C] = 20000;  // cycle fuel limit
  memory_[0x65] = 128;    // CO potentiometer in its middle
  memory_[0x66] = 61;     // RDIA channel

  idleValve_ = idleTarget() / 16.0 / 0.85;
  rpm_ = idleTarget();
  refreshMemory();
}

double EcuModel::random() {
  // xorshift32: the same sequence on every platform, unlike the standard distributions.
  rng_ ^= rng_ << 13;
  rng_ ^= rng_ >> 17;
  rng_ ^= rng_ << 5;
  return static_cast<double>(rng_) / 4294967296.0;
}

double EcuModel::effectiveCoolant() const {
  return overridden(7) ? static_cast<double>(coolantOverride_) - 40.0 : coolant_;
}

double EcuModel::idleTarget() const {
  // A cold engine idles faster; the ECU learns the temperature from what it reads.
  return 800.0 + std::max(0.0, 60.0 - effectiveCoolant()) * 8.0;
}

void EcuModel::advance(std::chrono::milliseconds elapsed) {
  if (elapsed.count() <= 0) return;
  carryMs_ += elapsed.count();
  while (carryMs_ >= kStepMs) {
    carryMs_ -= kStepMs;
    step();
  }
  refreshMemory();
}

void EcuModel::step() {
  timeMs_ += kStepMs;
  const bool running = rpm_ > 250.0;

  if (running) coolant_ += (90.5 - coolant_) * kStepSeconds / 240.0;

  // Now and then the mechanic blips the throttle; some blips knock on one cylinder.
  double throttleTarget = 0.0;
  if (blipLeftMs_ > 0) {
    blipLeftMs_ -= static_cast<int>(kStepMs);
    blipAgeMs_ += static_cast<int>(kStepMs);
    throttleTarget = blipLeftMs_ > 0 ? blipThrottle_ : 0.0;
    if (blipLeftMs_ <= 0) knockCylinder_ = -1;
  } else if (random() < 0.0004 && running && blips_) {
    blipThrottle_ = 12.0 + 18.0 * random();
    blipLeftMs_ = 600 + 10 * static_cast<int>(90.0 * random());
    blipAgeMs_ = 0;
    throttleTarget = blipThrottle_;
    if (random() < 0.35) {
      knockCylinder_ = static_cast<int>(4.0 * random());
      knockLevel_ = static_cast<std::uint8_t>(4 + static_cast<int>(16.0 * random()));
    }
  }
  throttle_ += (throttleTarget - throttle_) * std::min(1.0, kStepSeconds / 0.08);

  const int firing = 4 - std::popcount(static_cast<unsigned>(injectorCut_ & 0x0F));
  const double valve = overridden(5) ? static_cast<double>(idleValveOverride_) : idleValve_;
  const double warm = std::clamp((coolant_ - 20.0) / 70.0, 0.0, 1.0);
  const double idleRpm = valve * 16.0 * (0.85 + 0.15 * warm);
  const double steady =
      (idleRpm + throttle_ * 110.0) * kCylinderShare[static_cast<std::size_t>(firing)];
  const double lag = steady > rpm_ ? 0.25 : 0.4;
  rpm_ += (steady - rpm_) * kStepSeconds / lag;

  // The ECU holds the idle speed with the regulator, unless the tester has taken it over or
  // cut an injector (a balance measurement needs the regulator to stand still).
  // Coming down from a blip it waits until the speed is near the target again.
  const double target = idleTarget();
  const bool regulating = !overridden(5) && injectorCut_ == 0 && throttle_ < 1.0 && rpm_ > 300.0 &&
                          rpm_ < target + 250.0;
  if (regulating) {
    idleValve_ = std::clamp(idleValve_ + 0.02 * (target - rpm_) * kStepSeconds, 20.0, 160.0);
  }

  hunt_ += -hunt_ * kStepSeconds / 0.5 + (random() - 0.5) * 6.0;
  lambdaPhase_ =
      std::fmod(lambdaPhase_ + kStepSeconds * 2.0 * std::numbers::pi * 1.2, 2.0 * std::numbers::pi);
}

void EcuModel::refreshMemory() {
  const bool running = rpm_ > 250.0;
  const double seconds = static_cast<double>(timeMs_) / 1000.0;
  double shownRpm = 0.0;
  if (rpm_ >= 50.0) {
    shownRpm =
        std::max(0.0, rpm_ + hunt_ + 15.0 * std::sin(2.0 * std::numbers::pi * seconds / 1.7));
  }
  const bool idle = running && throttle_ < 1.0;
  const bool knocking = knockCylinder_ >= 0;
  const bool enriching = blipLeftMs_ > 0 && blipAgeMs_ < 300;
  const bool purging = coolant_ > 70.0 && (timeMs_ / 30000) % 2 == 1;
  const double warm = std::clamp((coolant_ - 20.0) / 70.0, 0.0, 1.0);
  const double target = idleTarget();

  unsigned mode = 0;
  if (rpm_ < 50.0) mode |= 1u << kModeStopped;
  if (idle) mode |= 1u << kModeIdle;
  if (idle) mode |= 1u << kModeMixtureRegulation;
  if (knocking) mode |= (1u << kModeKnock) | (1u << kModeKnockRegulation);
  if (enriching) mode |= 1u << kModeEnrichment;
  if (purging) mode |= 1u << kModePurge;
  memory_[0x07] = mode & 0xFF;
  memory_[0x08] = mode >> 8;
  for (int cylinder = 0; cylinder < 4; ++cylinder) {
    memory_[0x51 + cylinder] = cylinder == knockCylinder_ ? knockLevel_ : 0;
  }

  // Relay outputs: the ECU's own, except where the tester has taken a relay over.
  std::uint8_t ownRelays = 0;
  if (std::any_of(faults_.begin(), faults_.end(),
                  [](const FaultRecord& fault) { return (fault.flags & kFaultPresent) != 0; })) {
    ownRelays |= 0x01;
  }
  if (effectiveCoolant() > 97.0) ownRelays |= 0x02;
  if (running) ownRelays |= 0x08;
  memory_[ecu::kRelayOutputs] =
      static_cast<std::uint8_t>((ownRelays & ~relayMask_) | (relayOutputs_ & relayMask_));
  memory_[ecu::kRelayMask] = relayMask_;
  memory_[ecu::kOverrideMask] = overrideMask_;
  memory_[ecu::kCoMask] = coMask_;
  memory_[ecu::kInjectorCut] = injectorCut_;
  memory_[ecu::kCommand] = command_;
  memory_[ecu::kReleaseTail] = releaseTail_;

  const double airTemperature = 25.0 + 10.0 * warm;
  const double airFlow = rpm_ / 80.0 * (1.0 + throttle_ / 8.0);                             // kg/h
  const double manifold = std::min(980.0, 320.0 + 20.0 * (1.0 - warm) + throttle_ * 25.0);  // mbar
  const double filling = rpm_ > 50.0 ? airFlow * 1.0e6 / (120.0 * rpm_) : 0.0;  // mg per cycle
  const double pulse = filling * 0.029;                                         // ms
  const double valve = overridden(5) ? static_cast<double>(idleValveOverride_) : idleValve_;
  const double offsetDegrees =
      -static_cast<std::int8_t>(overridden(3) ? offsetOverride_ : ignitionOffset_) * 0.5;
  double advance = 12.0 + throttle_ * 0.6 - (shownRpm - target) / 40.0 + offsetDegrees;
  if (knocking) advance -= knockLevel_ / 4.0;
  if (!running) advance = 0.0;
  const double lambdaVolts = idle ? 0.45 + 0.35 * std::sin(lambdaPhase_) : (running ? 0.85 : 0.0);

  memory_[0x1A] = clampByte(coolant_ + 40.0);
  memory_[0x1C] = clampByte(airTemperature + 40.0);
  memory_[0x20] = clampByte(throttle_);
  memory_[0x21] = clampWord(airFlow * 10.0);
  memory_[0x23] = clampWord(running ? manifold : 1000.0);
  memory_[0x26] = signedByte(advance * 2.0);
  memory_[0x28] = ignitionOffset_;
  memory_[0x29] = clampByte(shownRpm / 40.0);
  memory_[0x2C] = clampByte(shownRpm / 10.0);
  memory_[0x2D] = signedByte(idle ? (shownRpm - target) / 10.0 : 0.0);
  memory_[0x2E] = clampByte(target / 10.0);
  memory_[0x34] = clampWord(filling / 0.1667);
  memory_[0x38] = static_cast<std::uint16_t>((std::min(15, static_cast<int>(rpm_ / 500.0)) << 4) |
                                             std::min(15, static_cast<int>(filling / 40.0)));
  memory_[0x39] =
      clampByte(idle ? 128.0 + 12.0 * std::sin(lambdaPhase_) : (running ? 108.0 : 128.0));
  memory_[0x3F] = clampWord(pulse / 0.008);
  memory_[0x40] = clampWord(airFlow / 14.7 / 0.74 * 10.0);
  memory_[0x41] = coTrim_[0];
  memory_[0x42] = coTrim_[1];
  memory_[0x4D] = clampByte(lambdaVolts / kVoltStep);
  memory_[0x4E] =
      clampByte((running ? 0.62 + 0.03 * std::sin(lambdaPhase_ / 3.0) : 0.0) / kVoltStep);
  memory_[0x5B] = clampByte(valve);
  memory_[0x5C] = clampByte(valve);
  memory_[0x5D] = clampByte(std::clamp(50.0 + (valve - 50.0) / 2.0, 0.0, 100.0));
  memory_[0x5E] = purging ? 25 : 0;
  memory_[0x61] = clampByte(ntcVolts(coolant_) / kVoltStep);
  memory_[0x62] = clampByte(ntcVolts(airTemperature) / kVoltStep);
  memory_[0x63] = clampByte((running ? 14.0 : 12.4) / 0.09093);
  memory_[0x64] = clampByte((0.5 + throttle_ * 0.04) / kVoltStep);
  // The CO trim potentiometer sits near its middle and drifts a little with the wiper's noise.
  memory_[0x65] = clampByte((2.5 + 0.04 * std::sin(seconds / 3.0)) / kVoltStep);
  memory_[0x67] = clampByte((0.2 + manifold * 0.0045) / kVoltStep);
  memory_[0x68] = clampByte(10.0 + (knocking ? knockLevel_ * 3.0 : 0.0));
  memory_[0x69] = clampByte(15.0 + (knocking ? knockLevel_ * 4.0 : 0.0));
  memory_[0xB1] = clampByte(running ? 95.0 + rpm_ / 100.0 : 60.0);

  memory_[ecu::kPassportFlag] = passportFlag_;
  memory_[ecu::kFieldFlag] = fieldFlag_;
  memory_[ecu::kStoreItem] = lastStoredItem_;
}

std::uint16_t EcuModel::value(std::uint8_t code) const {
  switch (code) {
    case ecu::kCoolant:
      if (overridden(7)) return coolantOverride_;
      break;
    case ecu::kIgnitionAdvance:
      if (overridden(2)) return advanceOverride_;
      break;
    case ecu::kIgnitionOffset:
      if (overridden(3)) return offsetOverride_;
      break;
    case ecu::kIdleValveTarget:
      if (overridden(5)) return idleValveOverride_;
      break;
    case ecu::kCoUpperTrim:
      if ((coMask_ & 0x08) != 0) return coUpperTrimOverride_;
      break;
    case ecu::kCoLowerTrim:
      if ((coMask_ & 0x10) != 0) return coLowerTrimOverride_;
      break;
    default:
      break;
  }
  return memory_[code];
}

const Text& EcuModel::serviceText(std::uint8_t service) const {
  return texts_.at(static_cast<std::size_t>(service - ecu::kFirstText));
}

void EcuModel::setServiceText(std::uint8_t service, const Text& text) {
  texts_.at(static_cast<std::size_t>(service - ecu::kFirstText)) = text;
}

const Text& EcuModel::field(std::uint8_t code) const {
  return fields_.at(fieldIndex(code));
}

std::optional<Bytes> EcuModel::answer(std::span<const std::uint8_t> request) {
  if (request.empty()) return std::nullopt;
  requests_.emplace_back(request.begin(), request.end());
  if (requests_.size() > kRequestLogLimit) requests_.pop_front();

  const std::uint8_t service = request[0];
  if (service == ecu::kWakeUp) return Bytes{0x00};
  if (service == ecu::kReadFaults) {
    Bytes out{static_cast<std::uint8_t>(faults_.size())};
    for (const FaultRecord& fault : faults_) {
      out.push_back(fault.code);
      out.push_back(fault.flags);
    }
    return out;
  }
  if (service == ecu::kReset) {
    if (refusal_ != 0) return Bytes{refusal_};
    reset();
    return Bytes{ecu::kCompletionDone};
  }
  if (service >= ecu::kFirstText && service <= ecu::kLastText) {
    const Text& text = serviceText(service);
    return Bytes(text.begin(), text.end());
  }
  if (service == ecu::kReadValues) return readValues(request.subspan(1));
  if (service == ecu::kWriteValues) return Bytes{writeValues(request.subspan(1))};
  return std::nullopt;
}

Bytes EcuModel::readValues(std::span<const std::uint8_t> codes) const {
  Bytes out;
  for (const std::uint8_t code : codes) {
    if (isField(code)) {
      const Text& text = field(code);
      out.insert(out.end(), text.begin(), text.end());
    } else if (code >= ecu::kFirstTable && code <= ecu::kLastTable) {
      const FuelTable& cells = tables_[code - ecu::kFirstTable];
      out.insert(out.end(), cells.begin(), cells.end());
    } else {
      const std::uint16_t word = value(code);
      out.push_back(static_cast<std::uint8_t>(word & 0xFF));
      if (ecu::valueWidth(code) == 2) out.push_back(static_cast<std::uint8_t>(word >> 8));
    }
  }
  return out;
}

namespace {

/// What a write of a code is accepted with.
enum class Takes {
  AnyByte,
  KnownCommand,
  AfterStore,  // only after the store command in the same request
};

/// What a write of a code does.
enum class Does {
  SetRegister,
  RunCommand,
  StoreText,
  StoreItem,
};

bool knownCommand(std::uint8_t command) {
  const bool zeroesATable = command >= ecu::kCommandZeroTable1 && std::has_single_bit(command);
  return command == ecu::kCommandNone || command == ecu::kCommandStore ||
         command == ecu::kCommandClearFaults || zeroesATable;
}

}  // namespace

struct EcuModel::WritableCode {
  std::uint8_t code;
  Takes takes;
  Does does;
  std::uint8_t EcuModel::*target = nullptr;  // the register of SetRegister
};

const EcuModel::WritableCode* EcuModel::writableCode(std::uint8_t code) {
  // Every code a tester may write. The passport flags, texts and store items go into the ECU's
  // memory, and only after the store command in the same request.
  static constexpr WritableCode kWritable[] = {
      {ecu::kRelayOutputs, Takes::AnyByte, Does::SetRegister, &EcuModel::relayOutputs_},
      {ecu::kRelayMask, Takes::AnyByte, Does::SetRegister, &EcuModel::relayMask_},
      {ecu::kOverrideMask, Takes::AnyByte, Does::SetRegister, &EcuModel::overrideMask_},
      {ecu::kCoMask, Takes::AnyByte, Does::SetRegister, &EcuModel::coMask_},
      {ecu::kInjectorCut, Takes::AnyByte, Does::SetRegister, &EcuModel::injectorCut_},
      {ecu::kReleaseTail, Takes::AnyByte, Does::SetRegister, &EcuModel::releaseTail_},
      {ecu::kCoolant, Takes::AnyByte, Does::SetRegister, &EcuModel::coolantOverride_},
      {ecu::kIgnitionAdvance, Takes::AnyByte, Does::SetRegister, &EcuModel::advanceOverride_},
      {ecu::kIgnitionOffset, Takes::AnyByte, Does::SetRegister, &EcuModel::offsetOverride_},
      {ecu::kCoUpperTrim, Takes::AnyByte, Does::SetRegister, &EcuModel::coUpperTrimOverride_},
      {ecu::kCoLowerTrim, Takes::AnyByte, Does::SetRegister, &EcuModel::coLowerTrimOverride_},
      {ecu::kIdleValveTarget, Takes::AnyByte, Does::SetRegister, &EcuModel::idleValveOverride_},
      {ecu::kCommand, Takes::KnownCommand, Does::RunCommand},
      {ecu::kPassportFlag, Takes::AfterStore, Does::SetRegister, &EcuModel::passportFlag_},
      {ecu::kFirstField, Takes::AfterStore, Does::StoreText},
      {0x75, Takes::AfterStore, Does::StoreText},
      {0x76, Takes::AfterStore, Does::StoreText},
      {0x77, Takes::AfterStore, Does::StoreText},
      {ecu::kFieldFlag, Takes::AfterStore, Does::SetRegister, &EcuModel::fieldFlag_},
      {0x79, Takes::AfterStore, Does::StoreText},
      {0x7A, Takes::AfterStore, Does::StoreText},
      {ecu::kLastField, Takes::AfterStore, Does::StoreText},
      {ecu::kStoreItem, Takes::AfterStore, Does::StoreItem},
  };
  const auto found = std::ranges::find(kWritable, code, &WritableCode::code);
  return found == std::end(kWritable) ? nullptr : found;
}

std::uint8_t EcuModel::checkWrite(std::span<const std::uint8_t> pairs) const {
  bool storing = false;
  for (std::size_t i = 0; i < pairs.size();) {
    const std::size_t width = ecu::valueWidth(pairs[i]);
    if (pairs.size() - i - 1 < width) return kRefuseTruncated;
    const WritableCode* writable = writableCode(pairs[i]);
    if (writable == nullptr) return kRefuseNotWritable;
    const std::uint8_t first = pairs[i + 1];
    switch (writable->takes) {
      case Takes::AnyByte:
        break;
      case Takes::KnownCommand:
        if (!knownCommand(first)) return kRefuseUnknownCommand;
        if (first == ecu::kCommandStore) storing = true;
        break;
      case Takes::AfterStore:
        if (!storing) return kRefuseNotWritable;
        break;
    }
    i += 1 + width;
  }
  return ecu::kCompletionDone;
}

std::uint8_t EcuModel::writeValues(std::span<const std::uint8_t> pairs) {
  if (refusal_ != 0) return refusal_;
  if (const std::uint8_t refused = checkWrite(pairs); refused != ecu::kCompletionDone)
    return refused;
  for (std::size_t i = 0; i < pairs.size();) {
    const std::size_t width = ecu::valueWidth(pairs[i]);
    applyWrite(*writableCode(pairs[i]), pairs.subspan(i + 1, width));
    i += 1 + width;
  }
  refreshMemory();
  return ecu::kCompletionDone;
}

void EcuModel::applyWrite(const WritableCode& writable, std::span<const std::uint8_t> value) {
  switch (writable.does) {
    case Does::SetRegister:
      this->*writable.target = value[0];
      break;
    case Does::RunCommand:
      runCommand(value[0]);
      break;
    case Does::StoreText:
      std::copy(value.begin(), value.end(), fields_[fieldIndex(writable.code)].begin());
      break;
    case Does::StoreItem:
      storeItem(value[0]);
      break;
  }
}

void EcuModel::runCommand(std::uint8_t command) {
  command_ = command;
  switch (command) {
    case ecu::kCommandClearFaults: {
      // A fault that is still there is recorded again at once.
      std::vector<FaultRecord> kept;
      for (const FaultRecord& fault : faults_) {
        if ((fault.flags & kFaultPresent) != 0)
          kept.push_back({fault.code, kFaultPresent | kFaultOnce});
      }
      faults_ = std::move(kept);
      break;
    }
    case 0x10:
    case 0x20:
    case 0x40:
    case 0x80: {
      const auto number =
          static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(command)) - 4);
      tables_[number].fill(0x80);  // a factor of 1.000 everywhere
      break;
    }
    default:
      break;
  }
}

void EcuModel::storeItem(std::uint8_t item) {
  lastStoredItem_ = item;
  switch (item) {
    case 1:
      coTrim_[0] = coUpperTrimOverride_;
      break;
    case 2:
      coTrim_[1] = coLowerTrimOverride_;
      break;
    case 3:
      ignitionOffset_ = offsetOverride_;
      break;
    default:
      break;
  }
}

void EcuModel::reset() {
  relayOutputs_ = relayMask_ = overrideMask_ = coMask_ = injectorCut_ = command_ = releaseTail_ = 0;
  coolantOverride_ = advanceOverride_ = offsetOverride_ = idleValveOverride_ = 0;
  coUpperTrimOverride_ = coLowerTrimOverride_ = 0;
  const double warm = std::clamp((coolant_ - 20.0) / 70.0, 0.0, 1.0);
  idleValve_ = idleTarget() / 16.0 / (0.85 + 0.15 * warm);
  refreshMemory();
}

}  // namespace vortlen::sim
