#pragma once

namespace vortlen {

/// a · b / c rounded to the nearest integer, halves away from zero, as Windows' MulDiv does.
/// Window geometry in dialog units and the main window's layout both round this way.
constexpr int mulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace vortlen
