#include "release_check.h"

#include <cstdio>

#include "ecu_services.h"

namespace vortlen {

bool sendRelease(EcuLink& link, const std::uint8_t* request, std::size_t length) {
  const bool held = link.port().ledger().owed();
  for (int attempt = 0; attempt < kReleaseAttempts; ++attempt) {
    const LinkResult result = link.transact(request, length);
    if (!held) return true;
    if (result == LinkResult::Ok && link.answerLength() > 0 &&
        link.ResponseBuffer()[0] == ecu::kCompletionDone) {
      return true;
    }
  }
  return false;
}

void warnUnreleased(SharedPort& port, Notifier& notifier, const std::string& caption) {
  const std::string text = port.ledger().unreleasedWarning();
  if (WireTrace* trace = port.trace()) trace->note(text);
  if (port.unattended()) {
    std::fprintf(stderr, "vortlen3: %s\n", text.c_str());
    return;
  }
  notifier.message(text, caption, MessageIcon::Exclamation);
}

}  // namespace vortlen
