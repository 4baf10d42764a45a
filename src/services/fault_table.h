#pragma once

#include <string>

namespace vortlen {

/// The Russian description of a fault code, UTF-8. Codes the ECU knows by number only, and codes
/// outside 12..253, have an empty description.
const std::string& faultText(int code);

}  // namespace vortlen
