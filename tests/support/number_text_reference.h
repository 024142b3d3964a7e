// Test-only: the number text by its definition, from the C library: the
// integer text of an integral value in the signed 31-bit range, else "%.12g"
// with a point added to a text of only digits and "-" (so 1073741824. and
// 999999999999. are told from small integers).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace zorm::testing {

inline std::string reference_number_text(double x) {
  char buf[64];
  if (x >= -1073741824.0 && x <= 1073741823.0 && std::trunc(x) == x) {
    std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(x));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.12g", x);
  std::string text = buf;
  if (text.find_first_not_of("-0123456789") == std::string::npos) text += '.';
  return text;
}

}  // namespace zorm::testing
