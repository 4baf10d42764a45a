#include "number_text.h"

#include <charconv>

namespace vortlen {

std::string fixedText(double value, int decimals) {
  char buffer[352];  // the longest double in fixed notation, and the digits after its point
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc{}) return {};
  return std::string(buffer, result.ptr);
}

std::string integerText(long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string trimZeros(std::string text) {
  while (!text.empty() && text.back() == '0') text.pop_back();
  while (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace vortlen
