#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace vortlen::sim {

using Bytes = std::vector<std::uint8_t>;
using Text = std::array<std::uint8_t, 16>;  // code page 866, as the ECU keeps it
using FuelTable = std::array<std::uint8_t, 256>;

/// One entry of the ECU's fault memory as service 0x02 reports it.
struct FaultRecord {
  std::uint8_t code = 0;
  std::uint8_t flags = 0;  // kFaultManyTimes | kFaultOnce | kFaultPresent

  friend bool operator==(const FaultRecord&, const FaultRecord&) = default;
};

inline constexpr std::uint8_t kFaultManyTimes = 0x20;
inline constexpr std::uint8_t kFaultOnce = 0x40;
inline constexpr std::uint8_t kFaultPresent = 0x80;

// Completion codes the model answers besides 0 (done).
inline constexpr std::uint8_t kRefuseTruncated = 1;    // a (code, value) pair is cut short
inline constexpr std::uint8_t kRefuseNotWritable = 2;  // a code the ECU does not take, or a
                                                       // stored item without command 0x01 before it
inline constexpr std::uint8_t kRefuseUnknownCommand = 3;  // a value of 0x0E it does not know

/// A Микас 7.1 on an idling ЗМЗ-4062.10: the ECU's memory of codes, its texts, fault memory,
/// fuel tables and override registers, and an engine that evolves with simulated time.
/// Deterministic: the same seed and the same calls give the same answers. No clock, no I/O.
/// Not thread-safe.
class EcuModel {
 public:
  explicit EcuModel(std::uint32_t seed = 4062);

  /// Answers one decoded request (service byte first, no checksum) with the decoded answer
  /// (no checksum). An unknown service, or an empty request, gets no answer.
  std::optional<Bytes> answer(std::span<const std::uint8_t> request);

  /// Lets the engine run for `elapsed`, in steps of 10 ms; a remainder is carried over, so
  /// that the split of the time into calls does not matter.
  void advance(std::chrono::milliseconds elapsed);

  /// Whether the mechanic now and then blips the throttle (on by default). Some blips knock.
  void setThrottleBlips(bool enabled) { blips_ = enabled; }

  /// A non-zero code makes every 0x62 and 0x41 request answer it and change nothing.
  void setRefusal(std::uint8_t code) { refusal_ = code; }
  std::uint8_t refusal() const { return refusal_; }

  /// What a 0x61 read of a one- or two-byte code answers now (overrides applied).
  std::uint16_t value(std::uint8_t code) const;

  std::uint8_t relayOutputs() const { return relayOutputs_; }  // code 0x09 as written
  std::uint8_t relayMask() const { return relayMask_; }
  std::uint8_t overrideMask() const { return overrideMask_; }
  std::uint8_t coMask() const { return coMask_; }
  std::uint8_t injectorCut() const { return injectorCut_; }
  std::uint8_t lastCommand() const { return command_; }

  /// The text of service 0x51..0x58.
  const Text& serviceText(std::uint8_t service) const;
  void setServiceText(std::uint8_t service, const Text& text);
  /// The stored field 0x74..0x77, 0x79..0x7B.
  const Text& field(std::uint8_t code) const;
  /// Fuel table 1..4 (codes 0x49..0x4C).
  const FuelTable& table(int number) const {
    return tables_.at(static_cast<std::size_t>(number - 1));
  }

  const std::vector<FaultRecord>& faults() const { return faults_; }
  void setFaults(std::vector<FaultRecord> faults) { faults_ = std::move(faults); }

  /// The last requests received, unknown ones included, oldest first (at most kRequestLogLimit).
  const std::deque<Bytes>& requests() const { return requests_; }
  static constexpr std::size_t kRequestLogLimit = 1024;

  double engineSpeed() const { return rpm_; }             // rev/min, without the hunting
  double coolantTemperature() const { return coolant_; }  // °C, the engine's own
  std::chrono::milliseconds runTime() const { return std::chrono::milliseconds(timeMs_); }

 private:
  Bytes readValues(std::span<const std::uint8_t> codes) const;
  std::uint8_t writeValues(std::span<const std::uint8_t> pairs);
  /// A code the tester may write: what its value may be and what it does.
  struct WritableCode;
  static const WritableCode* writableCode(std::uint8_t code);  // null: not writable
  std::uint8_t checkWrite(std::span<const std::uint8_t> pairs) const;
  void applyWrite(const WritableCode& writable, std::span<const std::uint8_t> value);
  void runCommand(std::uint8_t command);
  void storeItem(std::uint8_t item);
  void reset();
  void step();
  void refreshMemory();
  double random();  // 0 <= x < 1
  double effectiveCoolant() const;
  double idleTarget() const;
  bool overridden(int bit) const { return (overrideMask_ & (1u << bit)) != 0; }

  std::uint32_t rng_;
  std::int64_t timeMs_ = 0;
  std::int64_t carryMs_ = 0;
  std::uint8_t refusal_ = 0;

  std::array<std::uint16_t, 256> memory_{};
  std::array<Text, 8> texts_{};
  std::array<Text, 7> fields_{};
  std::array<FuelTable, 4> tables_{};
  std::vector<FaultRecord> faults_;
  std::deque<Bytes> requests_;

  // Registers the tester writes.
  std::uint8_t relayOutputs_ = 0;
  std::uint8_t relayMask_ = 0;
  std::uint8_t overrideMask_ = 0;
  std::uint8_t coMask_ = 0;
  std::uint8_t injectorCut_ = 0;
  std::uint8_t command_ = 0;
  std::uint8_t releaseTail_ = 0;
  std::uint8_t coolantOverride_ = 0;
  std::uint8_t advanceOverride_ = 0;
  std::uint8_t offsetOverride_ = 0;
  std::uint8_t idleValveOverride_ = 0;
  std::uint8_t coUpperTrimOverride_ = 0;
  std::uint8_t coLowerTrimOverride_ = 0;
  std::uint8_t passportFlag_ = 1;
  std::uint8_t fieldFlag_ = 1;
  std::uint8_t lastStoredItem_ = 0;

  // Values the ECU keeps in its memory until they are stored anew.
  std::array<std::uint8_t, 2> coTrim_{};
  std::uint8_t ignitionOffset_ = 0;

  // The engine.
  double rpm_ = 0;
  double hunt_ = 0;
  double coolant_ = 20;
  double idleValve_ = 0;  // the ECU's own regulator position, steps
  double throttle_ = 0;   // %
  bool blips_ = true;
  int blipLeftMs_ = 0;
  int blipAgeMs_ = 0;
  double blipThrottle_ = 0;
  int knockCylinder_ = -1;
  std::uint8_t knockLevel_ = 0;
  double lambdaPhase_ = 0;
};

}  // namespace vortlen::sim
