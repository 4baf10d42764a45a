#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// How often a close procedure sends its release before it gives up.
inline constexpr int kReleaseAttempts = 3;

/// Sends a request that gives control back to the ECU (the release, a cleared override mask)
/// and makes sure it arrived. While the program holds something under control in the ECU, the
/// request goes up to three times until the ECU confirms it (completion code 0); with nothing
/// held it goes once, as it always did. Returns false when something was held and the ECU never
/// confirmed.
bool sendRelease(EcuLink& link, const std::uint8_t* request, std::size_t length);

template <std::size_t N>
bool sendRelease(EcuLink& link, const std::array<std::uint8_t, N>& request) {
  return sendRelease(link, request.data(), N);
}

/// Tells the mechanic what may still be active in the ECU and to switch the ignition off and
/// on: a warning box, or, when the program ends by a signal and no one can answer a box, a line
/// on standard error and in the wire trace.
void warnUnreleased(SharedPort& port, Notifier& notifier, const std::string& caption);

}  // namespace vortlen
