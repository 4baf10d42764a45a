#include "command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace vortlen {
namespace {

std::optional<std::string> answer(std::vector<const char*> args) {
  args.insert(args.begin(), "vortlen3");
  return commandLineAnswer(static_cast<int>(args.size()), args.data(), "3.0.0");
}

TEST(CommandLine, VersionAndHelpAreAnsweredWhereverTheyStandAndTheRestIsLeftToTheToolkit) {
  EXPECT_EQ(answer({"--version"}), "Вортлен 3 3.0.0\n");
  EXPECT_EQ(answer({"-platform", "offscreen", "--version"}), "Вортлен 3 3.0.0\n");

  for (const char* asked : {"--help", "-h"}) {
    const auto help = answer({asked});
    ASSERT_TRUE(help.has_value()) << asked;
    for (const char* variable : {"VORTLEN3_COM1", "VORTLEN3_COM4", "VORTLEN3_TRACE",
                                 "VORTLEN3_RECORD_DIR", "XDG_CONFIG_HOME", "--version"})
      EXPECT_NE(help->find(variable), std::string::npos) << variable;
  }

  EXPECT_EQ(answer({}), std::nullopt);
  EXPECT_EQ(answer({"-platform", "offscreen", "-style", "Fusion", "-version"}), std::nullopt);
}

}  // namespace
}  // namespace vortlen
