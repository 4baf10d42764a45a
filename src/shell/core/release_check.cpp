#include "release_check.h"

#include <cstdio>

#include "ecu_services.h"

namespace vortlen {

ReleaseOutcome sendRelease(EcuLink& link, const std::uint8_t* request, std::size_t length,
                           Sleeper* spacing) {
  SharedPort& port = link.port();
  const bool held = port.ledger().held();
  for (int attempt = 0; attempt < kReleaseAttempts; ++attempt) {
    if (spacing != nullptr) {
      if (attempt > 0) spacing->sleep(kExitReleaseSpacingMs);
      port.reopenNow();
    }
    const LinkResult result = link.transact(request, length);
    if (!held) return ReleaseOutcome::Confirmed;
    if (result == LinkResult::Ok) {
      return link.answerLength() > 0 && link.ResponseBuffer()[0] == ecu::kCompletionDone
                 ? ReleaseOutcome::Confirmed
                 : ReleaseOutcome::Refused;
    }
  }
  port.ledger().owe(request, length);
  return ReleaseOutcome::LineLost;
}

void warnUnreleased(SharedPort& port, Notifier& notifier, const std::string& caption,
                    ReleaseOutcome outcome) {
  if (outcome == ReleaseOutcome::Confirmed) return;
  const std::string text = outcome == ReleaseOutcome::Refused ? port.ledger().refusedWarning()
                                                              : port.ledger().unreleasedWarning();
  if (WireTrace* trace = port.trace()) trace->note(text);
  if (port.unattended()) {
    std::fprintf(stderr, "vortlen3: %s\n", text.c_str());
    return;
  }
  notifier.message(text, caption, MessageIcon::Exclamation);
}

void releaseOrWarn(EcuLink& link, const std::uint8_t* request, std::size_t length,
                   Notifier& notifier, const std::string& caption, Sleeper* spacing) {
  warnUnreleased(link.port(), notifier, caption, sendRelease(link, request, length, spacing));
}

}  // namespace vortlen
