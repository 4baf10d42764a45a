#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vortlen::test {

/// Runs the real vortlen3-ecusim as a child process and reads the port path it prints.
/// The child is ended (SIGTERM, then waited for) when the object goes.
class EcusimProcess {
 public:
  explicit EcusimProcess(const std::vector<std::string>& options = {});
  ~EcusimProcess();
  EcusimProcess(const EcusimProcess&) = delete;
  EcusimProcess& operator=(const EcusimProcess&) = delete;

  /// The pseudo-terminal the simulator serves; empty when it did not start.
  const std::string& portPath() const { return portPath_; }
  pid_t pid() const { return pid_; }

  /// Sends `signal` and waits for the child; returns its exit status as waitpid gives it.
  int stop(int signal);
  /// Kills the child at once, as a crash or a pulled cable would end it.
  void kill();

  /// Everything the child wrote to its standard error (its request log); read after stop().
  std::string errorOutput() const;

 private:
  pid_t pid_ = -1;
  std::string portPath_;
  std::string errorFile_;
};

}  // namespace vortlen::test
