#pragma once

#include <string>

namespace vortlen {

// Every number a window shows is made here. The texts never depend on the user's locale: a
// Russian desktop's decimal comma must not turn "0.562" into "0,562" (printf follows it).

/// `value` with `decimals` digits after a decimal point, rounded as printf's "%.<decimals>f"
/// rounds; "%.f" is `decimals` 0.
std::string fixedText(double value, int decimals);

/// A whole number in decimal, as "%d", "%u" or "%ld" print it.
std::string integerText(long long value);

/// Strips every trailing '0', then every trailing '.': "14.00" -> "14", "12.50" -> "12.5".
std::string trimZeros(std::string text);

}  // namespace vortlen
