#include "ecu_link.h"

#include <algorithm>

#include "ecu_services.h"
#include "frame_codec.h"

namespace vortlen {

static_assert(maxFrameLength(EcuLink::kMaxRequestLength) <= EcuLink::kTxSize);

LinkResult EcuLink::finish(LinkResult result) {
  lastResult_ = result;
  if (WireTrace* trace = port_.trace()) trace->result(result);
  return result;
}

LinkResult EcuLink::transact(const std::uint8_t* request, std::size_t length) {
  answerLength_ = 0;
  if (request == nullptr || length == 0 || length > kMaxRequestLength) {
    return finish(LinkResult::Overflow);
  }
  port_.reopenIfLost();
  if (const LinkResult due = sendDue(request, length); due != LinkResult::Ok) return due;
  answerLength_ = 0;
  return exchange(request, length);
}

LinkResult EcuLink::settle() {
  answerLength_ = 0;
  port_.probe();
  port_.reopenIfLost();
  if (!port_.isOpen()) return lastResult_;
  return sendDue(nullptr, 0);
}

bool EcuLink::releaseDue() const {
  const ReleaseLedger& ledger = port_.ledger();
  return ledger.owedCount() > 0 || (ledger.linkLost() && ledger.held());
}

LinkResult EcuLink::sendDue(const std::uint8_t* request, std::size_t length) {
  ReleaseLedger& ledger = port_.ledger();
  // After a loss the ECU's state is unknown: what open windows held is released in full before
  // anything else, and nothing else goes until the ECU has it. What only ended holders owed
  // goes as they sent it.
  if (ledger.linkLost() && ledger.held() &&
      (port_.anyHolderHolding() || ledger.owedCount() == 0)) {
    if (isFullRelease(request, length)) return LinkResult::Ok;
    const LinkResult release = exchange(ecu::releaseRequest.data(), ecu::releaseRequest.size());
    if (release != LinkResult::Ok) return release;
    if (response_[0] != ecu::kCompletionDone && port_.trace()) {
      port_.trace()->note("ЭБУ отказался снять управление после восстановления связи");
    }
  }
  while (ledger.owedCount() > 0) {
    std::size_t owedLength = 0;
    const std::uint8_t* owed = ledger.owedRequest(owedLength);
    // The request itself is what is owed: it goes once, as the request.
    if (owedLength == length && std::equal(owed, owed + owedLength, request)) return LinkResult::Ok;
    std::array<std::uint8_t, ReleaseLedger::kMaxRequest> copy{};
    std::copy(owed, owed + owedLength, copy.begin());
    const LinkResult result = exchange(copy.data(), owedLength);
    if (result != LinkResult::Ok) return result;
    // Confirmed, it has left the ledger already; refused, the mechanic was warned when the
    // holder ended, and sending it again would be refused again.
    if (ledger.owedCount() > 0) {
      std::size_t firstLength = 0;
      const std::uint8_t* first = ledger.owedRequest(firstLength);
      if (firstLength == owedLength && std::equal(first, first + firstLength, copy.begin()))
        ledger.dropOldestOwed();
    }
  }
  return LinkResult::Ok;
}

LinkResult EcuLink::exchange(const std::uint8_t* request, std::size_t length) {
  const bool wasLost = port_.ledger().linkLost();
  const LinkResult result = finish(frameExchange(request, length));
  ReleaseLedger& ledger = port_.ledger();
  bool released = false;
  if (result != LinkResult::PortNotOpen) {
    const bool confirmed =
        result == LinkResult::Ok && answerLength_ > 0 && response_[0] == ecu::kCompletionDone;
    released = ledger.noteWrite(request, length, confirmed);
  }
  ledger.noteResult(result);
  if (released) {
    port_.notifyReleased(wasLost ? ControlHolder::Cause::LinkReturned
                                 : ControlHolder::Cause::OtherWindow);
  }
  return result;
}

LinkResult EcuLink::frameExchange(const std::uint8_t* request, std::size_t length) {
  answerLength_ = 0;
  const std::size_t frameLength = encodeFrame(request, length, txArea_.data());

  SerialPort& device = port_.device();
  WireTrace* trace = port_.trace();
  // Late bytes of an earlier exchange must not be taken for this one's echo or answer.
  device.purge();
  const std::size_t taken = device.write(txArea_.data(), frameLength);
  if (taken == 0) return LinkResult::PortNotOpen;
  if (trace) trace->bytes(kTraceOut, txArea_.data(), taken);

  if (const LinkResult echo = collectEcho(taken); echo != LinkResult::Ok) return echo;
  if (const LinkResult answer = collectAnswer(); answer != LinkResult::Ok) return answer;
  return decodeAnswer();
}

LinkResult EcuLink::collectEcho(std::size_t frameLength) {
  SerialPort& device = port_.device();
  std::size_t received = 0;
  WireTrace* trace = port_.trace();
  for (int read = 0; read < kEchoReads && received < frameLength; ++read) {
    const std::size_t count = device.read(rxArea_.data() + received, frameLength - received);
    if (trace) trace->bytes(kTraceIn, rxArea_.data() + received, count);
    received += count;
  }
  if (received < frameLength) return LinkResult::AdapterOff;

  // The first byte may be disturbed while the adapter's line settles; it is not compared.
  for (std::size_t i = frameLength - 1; i >= 1; --i) {
    if (rxArea_[i] != txArea_[i]) return LinkResult::EchoMismatch;
  }
  return LinkResult::Ok;
}

LinkResult EcuLink::collectAnswer() {
  SerialPort& device = port_.device();
  WireTrace* trace = port_.trace();
  rawLength_ = 0;
  for (int read = 0; read < kAnswerReads; ++read) {
    const std::size_t count = device.read(rxArea_.data() + rawLength_, kAnswerReadSize);
    if (trace) trace->bytes(kTraceIn, rxArea_.data() + rawLength_, count);
    rawLength_ += count;
    if (rawLength_ > kAnswerLimit) return LinkResult::Overflow;
    if (rawLength_ > 0 && rxArea_[rawLength_ - 1] == kFrameTerminator) return LinkResult::Ok;
  }
  return LinkResult::NoAnswer;
}

LinkResult EcuLink::decodeAnswer() {
  const std::size_t bodyLength = rawLength_ - 1;
  // Measure first, so that an answer too long for the buffer leaves it untouched.
  const FrameBody measured = decodeFrameBody(rxArea_.data(), bodyLength, nullptr, 0);
  if (measured.decodedCount > kResponseSize + 1) return LinkResult::Overflow;

  const FrameBody body =
      decodeFrameBody(rxArea_.data(), bodyLength, response_.data(), response_.size());
  answerLength_ = body.decodedCount > 0 ? body.decodedCount - 1 : 0;
  if (body.danglingEscape || body.sum != 0) return LinkResult::BadChecksum;
  return LinkResult::Ok;
}

}  // namespace vortlen
