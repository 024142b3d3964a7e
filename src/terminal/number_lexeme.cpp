// Results as number lexemes.
#include "terminal/number_lexeme.h"

#include <charconv>
#include <cmath>

namespace zorm {

std::optional<std::string> number_lexeme(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  // Fixed notation at its shortest round-trip length: up to 309 digits
  // before the point (DBL_MAX) or 327 after it (the smallest subnormal).
  char digits[400];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, std::fabs(x), std::chars_format::fixed);
  if (error != std::errc()) return std::nullopt;
  std::string text(digits, end);
  if (std::signbit(x)) text = "(-" + text + ")";
  return text;
}

}  // namespace zorm
