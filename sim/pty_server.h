#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "adapter_model.h"
#include "usb_bridge.h"

namespace vortlen::sim {

/// Serves an AdapterModel on a pseudo-terminal in real time, for programs that open a serial
/// device by its path. The slave side is raw (no echo of its own: the adapter model echoes),
/// and the server keeps one slave descriptor open, without a lock, so that the master never
/// sees a hang-up between clients while a client's flock on its own descriptor still works.
class PtyServer {
 public:
  /// `adapter` must outlive the server and must not be used elsewhere while serve() runs.
  explicit PtyServer(AdapterModel& adapter);
  ~PtyServer();
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  /// Puts a USB-serial bridge with this latency between the adapter and the terminal: what the
  /// adapter sends reaches the terminal in the bridge's bursts. Set it before serve().
  void setUsbLatency(SimTime latency) { bridge_.emplace(latency); }

  /// Creates the pseudo-terminal pair. Returns false (errno tells why) on failure.
  bool open();
  /// The slave's path, such as /dev/pts/3; empty before a successful open().
  const std::string& path() const { return path_; }

  /// Echoes and answers until stop(); the adapter's times are real time since the call.
  /// Returns at once when not open. Run it on one thread at a time.
  void serve();

  /// Makes serve() return soon. Safe from any thread and from a signal handler; a stop that
  /// comes before serve() makes it return at once.
  void stop();

 private:
  void closeAll();

  AdapterModel& adapter_;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::atomic<bool> stopping_{false};
  std::optional<UsbBridge> bridge_;
};

}  // namespace vortlen::sim
