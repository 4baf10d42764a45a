#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vortlen::ecu {

// Service bytes: byte 0 of every request.
inline constexpr std::uint8_t kWakeUp = 0x01;      // answer not examined
inline constexpr std::uint8_t kReadFaults = 0x02;  // count, then (code, flags) pairs
inline constexpr std::uint8_t kReset = 0x41;       // 41 00 00; completion code
inline constexpr std::uint8_t kFirstText = 0x51;   // 0x51..0x58: a text of up to 16 bytes
inline constexpr std::uint8_t kLastText = 0x58;
inline constexpr std::uint8_t kReadValues = 0x61;   // then codes; values in request order
inline constexpr std::uint8_t kWriteValues = 0x62;  // then (code, value) pairs; completion code

/// Byte 0 of the answer to 0x41 and 0x62: 0 means done, anything else is the ECU's error number.
inline constexpr std::uint8_t kCompletionDone = 0x00;

/// The length of the texts the ECU keeps (services 0x51..0x58, codes 0x74..0x7B but 0x78).
inline constexpr std::size_t kTextLength = 16;
/// The length of one fuel-correction table (codes 0x49..0x4C).
inline constexpr std::size_t kTableLength = 256;

// Codes written with 0x62.
inline constexpr std::uint8_t kRelayOutputs =
    0x09;  // bit 0 lamp, 1 fan, 2 A/C, 3 fuel pump, 4 idle cut-off
inline constexpr std::uint8_t kRelayMask = 0x0A;
inline constexpr std::uint8_t kOverrideMask = 0x0B;  // overrides of 0x26, 0x28, 0x5B and 0x1A
inline constexpr std::uint8_t kCoMask = 0x0C;
inline constexpr std::uint8_t kInjectorCut = 0x0D;  // bits 0..3
inline constexpr std::uint8_t kCommand = 0x0E;
inline constexpr std::uint8_t kReleaseTail = 0x0F;  // 0 only

// Values of the command code 0x0E.
inline constexpr std::uint8_t kCommandNone = 0x00;
inline constexpr std::uint8_t kCommandStore = 0x01;  // the codes 0x73..0x7C that follow are stored
inline constexpr std::uint8_t kCommandClearFaults = 0x0A;
inline constexpr std::uint8_t kCommandZeroTable1 = 0x10;  // 0x20, 0x40, 0x80 zero tables 2..4

// Codes of the values and texts that other windows read and write.
inline constexpr std::uint8_t kCoolant = 0x1A;
inline constexpr std::uint8_t kIgnitionAdvance = 0x26;
inline constexpr std::uint8_t kIgnitionOffset = 0x28;
inline constexpr std::uint8_t kCoUpperTrim = 0x41;
inline constexpr std::uint8_t kCoLowerTrim = 0x42;
inline constexpr std::uint8_t kIdleValveTarget = 0x5B;
inline constexpr std::uint8_t kFirstTable = 0x49;  // 0x49..0x4C: fuel tables 1..4
inline constexpr std::uint8_t kLastTable = 0x4C;
inline constexpr std::uint8_t kPassportFlag = 0x73;
inline constexpr std::uint8_t kFirstField = 0x74;  // 0x74..0x7B texts, but 0x78 is a flag
inline constexpr std::uint8_t kFieldFlag = 0x78;
inline constexpr std::uint8_t kLastField = 0x7B;
inline constexpr std::uint8_t kStoreItem = 0x7C;

/// Bytes the ECU answers (and takes in a write) for `code`: two for the 16-bit values
/// (low byte first), 16 for the texts, 256 for the fuel tables, one for everything else.
constexpr std::size_t valueWidth(std::uint8_t code) {
  switch (code) {
    case 0x21:
    case 0x23:
    case 0x33:
    case 0x34:
    case 0x3C:
    case 0x3F:
    case 0x40:
      return 2;
    case 0x74:
    case 0x75:
    case 0x76:
    case 0x77:
    case 0x79:
    case 0x7A:
    case 0x7B:
      return kTextLength;
    case 0x49:
    case 0x4A:
    case 0x4B:
    case 0x4C:
      return kTableLength;
    default:
      return 1;
  }
}

/// Sets codes 0x09..0x0F to 0: everything the program may have switched or overridden.
/// Sent when the main window and the actuator window close.
inline constexpr std::array<std::uint8_t, 15> releaseRequest = {
    kWriteValues, 0x09, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C,
    0x00,         0x0D, 0x00, 0x0E, 0x00, 0x0F, 0x00};

}  // namespace vortlen::ecu
