// soff: the one conversion of a number to the text the user sees.
#include "util/soff.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zorm {

namespace {

bool is_small_integer(double x) {
  // Equivalent to: truncate, wrap into the signed 31-bit range, convert back and
  // compare; NaN and the infinities fail every comparison below.
  return x >= -1073741824.0 && x <= 1073741823.0 && std::trunc(x) == x;
}

}  // namespace

std::size_t soff(double x, char* out) {
  if (is_small_integer(x)) {
    auto res = std::to_chars(out, out + kSoffMax, static_cast<long>(x));
    return static_cast<std::size_t>(res.ptr - out);
  }
  if (std::isnan(x)) {
    // "%.12g" writes a NaN with its sign.
    const char* text = std::signbit(x) ? "-nan" : "nan";
    std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return n;
  }
  auto res = std::to_chars(out, out + kSoffMax, x, std::chars_format::general, 12);
  std::size_t n = static_cast<std::size_t>(res.ptr - out);
  bool only_digits = true;
  for (std::size_t i = 0; i < n; ++i) {
    char c = out[i];
    if (!((c >= '0' && c <= '9') || c == '-')) {
      only_digits = false;
      break;
    }
  }
  if (only_digits) out[n++] = '.';
  return n;
}

std::string soff(double x) {
  char buf[kSoffMax];
  return std::string(buf, soff(x, buf));
}

}  // namespace zorm
