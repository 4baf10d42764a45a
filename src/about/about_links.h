#pragma once

#include <string>

namespace vortlen {

// The maker's contacts that the about window links to. Reserved documentation addresses until
// the maker's own are put here: these two constants are the only place that holds them.
inline constexpr const char* kMakerEmail = "vortlen3@example.org";
inline constexpr const char* kMakerWebSite = "https://vortlen3.example.org/";

/// The e-mail link of "Сообщить автору": the maker's address with a subject and the start of
/// the message filled in. The Cyrillic text is left as it is (UTF-8); the shell's URL type
/// percent-encodes it.
std::string makerMailLink();

}  // namespace vortlen
