#include "ecusim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vortlen::test {

EcusimProcess::EcusimProcess(const std::vector<std::string>& options) {
  char errorTemplate[] = "/tmp/vortlen3-ecusim-XXXXXX";
  const int errorFd = ::mkstemp(errorTemplate);
  if (errorFd < 0) return;
  errorFile_ = errorTemplate;

  int out[2];
  if (::pipe(out) != 0) {
    ::close(errorFd);
    return;
  }
  std::vector<std::string> words{VORTLEN3_ECUSIM_PATH};
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(errorFd, STDERR_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(errorFd);

  // The first line is the port's path; give the child five seconds to say it.
  std::string line;
  pollfd waiting{out[0], POLLIN, 0};
  char byte = 0;
  while (::poll(&waiting, 1, 5000) > 0 && ::read(out[0], &byte, 1) == 1 && byte != '\n') {
    line.push_back(byte);
  }
  ::close(out[0]);
  portPath_ = line;
}

EcusimProcess::~EcusimProcess() {
  if (pid_ > 0) stop(SIGTERM);
  if (!errorFile_.empty()) std::remove(errorFile_.c_str());
}

int EcusimProcess::stop(int signal) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return status;
}

void EcusimProcess::kill() {
  stop(SIGKILL);
}

std::string EcusimProcess::errorOutput() const {
  std::ifstream file(errorFile_);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace vortlen::test
