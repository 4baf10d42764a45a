// The wire trace's file: private to its owner, never through a link it did not make, and a
// failure to write it told once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "wire_trace.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vortlen {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
TEST(WireTraceTest, TheFileIsTheOwnersAndALinkInItsPlaceIsRefused) {
  const fs::path folder =
      fs::temp_directory_path() /
      ("vortlen3-trace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::create_directories(folder);
  const fs::path path = folder / "trace.log";
  {
    WireTrace trace;
    ASSERT_TRUE(trace.open(path.c_str())) << trace.failure();
    trace.note("Ok");
  }
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  const fs::path other = folder / "passwd";
  std::ofstream(other) << "root\n";
  fs::create_symlink(other, folder / "link.log");
  WireTrace trace;
  EXPECT_FALSE(trace.open((folder / "link.log").c_str()));
  EXPECT_EQ(trace.failure(), "путь ведёт через символическую ссылку");
  EXPECT_EQ(fs::file_size(other), 5u);
  fs::remove_all(folder);
}

TEST(WireTraceTest, AFullDiskIsToldOnceAndTheTraceStops) {
  WireTrace trace;
  ASSERT_TRUE(trace.open("/dev/full"));
  int told = 0;
  trace.setWriteFailed([&told] { ++told; });
  trace.note("one");
  trace.note("two");
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(trace.isOpen());
  EXPECT_EQ(trace.failure(), "на диске нет места");
}
#endif

}  // namespace
}  // namespace vortlen
