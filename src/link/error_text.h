#pragma once

#include <string>

namespace vortlen {

/// Why a file operation failed, in Russian, for an errno value: "на диске нет места" for
/// ENOSPC. The C library's own texts are English whatever the desktop's language.
std::string errorText(int code);

}  // namespace vortlen
