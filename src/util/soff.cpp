// soff: the one conversion of a number to the text the user sees.
#include "util/soff.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zorm {

namespace {

bool is_small_integer(double x) {
  // Equivalent to: truncate, wrap into the signed 31-bit range, convert back and
  // compare; NaN and the infinities fail every comparison below.
  return x >= -1073741824.0 && x <= 1073741823.0 && std::trunc(x) == x;
}

__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t kTens[] = {1ull,
                                   10ull,
                                   100ull,
                                   1000ull,
                                   10000ull,
                                   100000ull,
                                   1000000ull,
                                   10000000ull,
                                   100000000ull,
                                   1000000000ull,
                                   10000000000ull,
                                   100000000000ull,
                                   1000000000000ull,
                                   10000000000000ull,
                                   100000000000000ull,
                                   1000000000000000ull,
                                   10000000000000000ull};

}  // namespace

// x is m * 2^-k exactly, so x * 10^s (s = 11 - decimal exponent) is an
// exact 128-bit fixed-point number, rounded here to 12 digits with ties to
// even, as printf rounds. std::to_chars alone takes 1.92 times as long for the
// results of the arith lines (tools/microbench.sh
// --benchmark_filter=NumberText), the whole program 4,757 instructions an
// arith line instead of 4,018 and 1.13 times the CPU time (bench/compare.py,
// with and without --callgrind).
std::size_t g12_fixed(double x, char* out) {
  const double a = std::fabs(x);
  if (!(a >= 1e-4 && a < 1e12)) return 0;
  int binary_exponent = 0;
  const double fraction = std::frexp(a, &binary_exponent);  // a = fraction * 2^e, fraction in [0.5, 1)
  const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  const int k = 53 - binary_exponent;  // a = m / 2^k, 13 <= k <= 66 in this range
  int e = 11;                          // decimal exponent: 10^e <= a < 10^(e + 1)
  while (e > -4 && a < static_cast<double>(kTens[e + 4]) / 1e4) --e;
  std::uint64_t q = 0;
  Wide rest = 0;
  Wide half = 0;
  for (;;) {
    const int s = 11 - e;
    if (s < 0 || s > 16) return 0;
    const Wide scaled = static_cast<Wide>(m) * kTens[s];
    q = static_cast<std::uint64_t>(scaled >> k);
    rest = scaled & ((static_cast<Wide>(1) << k) - 1);
    half = static_cast<Wide>(1) << (k - 1);
    if (q < kTens[11]) {
      --e;  // the estimate was one too high
    } else if (q >= kTens[12]) {
      ++e;  // one too low
    } else {
      break;
    }
  }
  if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  if (q == kTens[12]) {
    q = kTens[11];
    ++e;
    if (e >= 12) return 0;  // rounds up to 1e+12
  }
  if (e < -4) return 0;
  char digits[12];
  for (int i = 11; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + q % 10);
    q /= 10;
  }
  int n = 12;
  while (n > 1 && digits[n - 1] == '0') --n;
  char* o = out;
  if (x < 0) *o++ = '-';
  if (e >= 0) {
    for (int i = 0; i <= e; ++i) *o++ = digits[i];
    if (n > e + 1) {
      *o++ = '.';
      for (int i = e + 1; i < n; ++i) *o++ = digits[i];
    }
  } else {
    *o++ = '0';
    *o++ = '.';
    for (int i = -1; i > e; --i) *o++ = '0';
    for (int i = 0; i < n; ++i) *o++ = digits[i];
  }
  return static_cast<std::size_t>(o - out);
}

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
  std::size_t n = g12_fixed(x, out);
  if (n == 0) {
    auto res = std::to_chars(out, out + kSoffMax, x, std::chars_format::general, 12);
    n = static_cast<std::size_t>(res.ptr - out);
  }
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
