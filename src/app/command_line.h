#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vortlen {

/// The answer to `--version` or `--help` (also `-h`), when one of them is among the arguments:
/// the text to print before the program ends, with no window and no port opened. Otherwise
/// nothing, and every argument is left to the toolkit.
std::optional<std::string> commandLineAnswer(int argc, const char* const* argv,
                                             std::string_view version);

}  // namespace vortlen
