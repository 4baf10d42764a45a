#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link_result.h"
#include "shared_port.h"

namespace vortlen {

/// One window's line to the ECU: its buffers and the result of its last transaction.
/// Every window that talks to the ECU owns one; all of them send through the one SharedPort.
/// A transaction allocates nothing: all areas are fixed arrays inside the object.
class EcuLink {
 public:
  static constexpr std::size_t kResponseSize = 256;
  static constexpr std::size_t kMaxRequestLength = 30;
  static constexpr std::size_t kAnswerLimit = 515;  // raw answer bytes before it is an overflow
  static constexpr std::size_t kAnswerReadSize = 255;
  static constexpr int kEchoReads = 10;
  static constexpr int kAnswerReads = 36;
  static constexpr std::size_t kRxSize = kAnswerLimit + kAnswerReadSize;  // 770
  static constexpr std::size_t kTxSize = 64;

  using Response = std::array<std::uint8_t, kResponseSize>;

  explicit EcuLink(SharedPort& port) : port_(port) {}
  virtual ~EcuLink() = default;
  EcuLink(const EcuLink&) = delete;
  EcuLink& operator=(const EcuLink&) = delete;

  /// Sends one request of 1..30 bytes and collects the answer. Blocks for at most one write,
  /// 10 echo reads and 36 answer reads of at most 10 ms each. The result is also kept in
  /// lastResult(). After Ok the answer's bytes are in ResponseBuffer() from index 0; bytes past
  /// the answer keep what earlier answers left. A request outside 1..30 bytes, or an answer
  /// that would decode past the buffer, is Overflow and touches nothing; an answer ending in a
  /// lone escape byte is BadChecksum. A port whose device vanished is first opened again if
  /// it is back (at most once a second). Whatever release is due goes first (see releaseDue);
  /// if the line loses it, its result is this transaction's and the request is not sent.
  LinkResult transact(const std::uint8_t* request, std::size_t length);

  /// What transact does before its request, without one: notices a device that has gone, opens
  /// it again when it is back, and sends what release is due. For a keeper that runs while
  /// windows send nothing (a message box up, a replay, the passport read). Returns the last
  /// result, Ok when nothing was due.
  LinkResult settle();
  /// A release waits for the link: an ended holder's request the line lost, or, after the link
  /// was lost, the full release of what was held.
  bool releaseDue() const;

  template <std::size_t N>
  LinkResult transact(const std::array<std::uint8_t, N>& request) {
    return transact(request.data(), N);
  }

  const Response& ResponseBuffer() const { return response_; }
  /// Windows that want the bytes past a short answer zero clear the buffer themselves.
  Response& ResponseBuffer() { return response_; }

  LinkResult lastResult() const { return lastResult_; }

  /// The port this link sends through, with the program's release ledger.
  SharedPort& port() { return port_; }
  const SharedPort& port() const { return port_; }

  /// Data bytes (checksum not counted) the last answer decoded to, so that a window can tell a
  /// short answer from a full one. 0 unless the last result was Ok or BadChecksum.
  std::size_t answerLength() const { return answerLength_; }

 private:
  LinkResult finish(LinkResult result);
  // The releases due before `request` (which may itself be one of them).
  LinkResult sendDue(const std::uint8_t* request, std::size_t length);
  // One request on the line, noted in the release ledger.
  LinkResult exchange(const std::uint8_t* request, std::size_t length);
  LinkResult frameExchange(const std::uint8_t* request, std::size_t length);
  LinkResult collectEcho(std::size_t frameLength);
  LinkResult collectAnswer();
  LinkResult decodeAnswer();

  SharedPort& port_;
  Response response_{};
  LinkResult lastResult_ = LinkResult::Ok;
  std::size_t answerLength_ = 0;
  std::size_t rawLength_ = 0;  // raw answer bytes received, the terminator included
  std::array<std::uint8_t, kRxSize> rxArea_{};
  std::array<std::uint8_t, kTxSize> txArea_{};
};

}  // namespace vortlen
