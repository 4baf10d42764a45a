// Why a port cannot be used, from the real serial code: missing, not a port, held by another
// program, and not accessible to a user outside the dialout group.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "adapter_model.h"
#include "ecu_model.h"
#include "posix_serial_port.h"
#include "pty_server.h"

namespace vortlen {
namespace {

namespace fs = std::filesystem;

PortError reasonFor(const std::string& path) {
  PosixSerialPort port;
  EXPECT_FALSE(port.open(path.c_str())) << path;
  return port.openError();
}

TEST(PortReasonsTest, EachUnusablePortSaysWhy) {
  const fs::path folder =
      fs::temp_directory_path() / ("vortlen3-ports-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "file") << "not a port";

  EXPECT_EQ(reasonFor((folder / "missing").string()), PortError::Missing);
  EXPECT_EQ(reasonFor(""), PortError::Missing);
  EXPECT_EQ(reasonFor(folder.string()), PortError::NotSerial);
  EXPECT_EQ(reasonFor((folder / "file").string()), PortError::NotSerial);
  EXPECT_EQ(reasonFor("/dev/null"), PortError::NotSerial);
  fs::remove_all(folder);

  sim::EcuModel ecu;
  sim::AdapterModel adapter(ecu);
  sim::PtyServer server(adapter);
  ASSERT_TRUE(server.open());
  PosixSerialPort holder;
  ASSERT_TRUE(holder.open(server.path().c_str()));
  EXPECT_EQ(holder.openError(), PortError::None);
  EXPECT_EQ(reasonFor(server.path()), PortError::Busy) << "another program holds it";
  holder.close();

  // A user outside the groups that may open it: the test itself, again, as nobody.
  if (::geteuid() != 0) GTEST_SKIP() << "only root can become nobody";
  ::chmod(server.path().c_str(), 0600);
  const std::string command =
      "setpriv --reuid=nobody --regid=nogroup --clear-groups "
      "env VORTLEN3_PORT_AS_NOBODY='" +
      server.path() + "' " + fs::read_symlink("/proc/self/exe").string() +
      " --gtest_filter=PortReasonsTest.AsNobody >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "as nobody the port was not reported as no access";
}

// Run by the test above as the user nobody.
TEST(PortReasonsTest, AsNobody) {
  const char* path = std::getenv("VORTLEN3_PORT_AS_NOBODY");
  if (path == nullptr) GTEST_SKIP() << "run as nobody by EachUnusablePortSaysWhy";
  EXPECT_EQ(reasonFor(path), PortError::NoAccess);
}

}  // namespace
}  // namespace vortlen
