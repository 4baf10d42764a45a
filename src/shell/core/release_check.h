#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ecu_link.h"
#include "window_services.h"

namespace vortlen {

/// How often a release the line lost is sent before it is given up to the ledger as owed.
inline constexpr int kReleaseAttempts = 3;
/// The exit's tries are this far apart, so that an adapter plugged back in between is opened.
inline constexpr int kExitReleaseSpacingMs = 600;

/// What became of a release request.
enum class ReleaseOutcome {
  Confirmed,  ///< the ECU took it (or nothing was held, and it went once)
  Refused,    ///< the ECU answered with a completion code other than 0: it was not retried
  LineLost,   ///< the line lost every try: the request is owed, and goes again when the link is back
};

/// Sends a request that gives control back to the ECU (the release, a cleared override mask)
/// and makes sure it arrived. While the program holds something under control in the ECU, a
/// request the line loses goes up to three times; one the ECU refuses goes once. With nothing
/// held it goes once, as it always did. With `spacing` (the exit), a port whose device has gone
/// is opened again before each try, and the tries are kExitReleaseSpacingMs apart.
ReleaseOutcome sendRelease(EcuLink& link, const std::uint8_t* request, std::size_t length,
                           Sleeper* spacing = nullptr);

template <std::size_t N>
ReleaseOutcome sendRelease(EcuLink& link, const std::array<std::uint8_t, N>& request,
                           Sleeper* spacing = nullptr) {
  return sendRelease(link, request.data(), N, spacing);
}

/// Tells the mechanic what may still be active in the ECU after a release that was not
/// confirmed: a warning box, or, when the program ends by a signal and no one can answer a box,
/// a line on standard error and in the wire trace. Nothing for a confirmed release.
void warnUnreleased(SharedPort& port, Notifier& notifier, const std::string& caption,
                    ReleaseOutcome outcome);

/// The release and, when it was not confirmed, the warning.
void releaseOrWarn(EcuLink& link, const std::uint8_t* request, std::size_t length,
                   Notifier& notifier, const std::string& caption, Sleeper* spacing = nullptr);

}  // namespace vortlen
