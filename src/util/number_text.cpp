// number_text: the one conversion of a number to the text the user sees.
#include "util/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zorm {

namespace {

bool is_small_integer(double x) {
  // Equivalent to: truncate, wrap into the signed 31-bit range, convert back and
  // compare; NaN and the infinities fail every comparison below.
  return x >= -1073741824.0 && x <= 1073741823.0 && static_cast<double>(static_cast<int>(x)) == x;
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

// The normal doubles of the fixed-notation range [1e-4, 1e12) have binary
// exponents b (2^b <= |x| < 2^(b + 1)) from -14 to 39.
constexpr int kLowestExponent = -14, kHighestExponent = 39;

// For each binary exponent b, the decimal exponent of 2^b, floor(b log10 2),
// and the smallest 53-bit significand m with m 2^(b - 52) >= 10^(that + 1):
// a number of exponent b has that decimal exponent when its significand is
// below the threshold, and the next one when it is not (2^(b + 1) is below
// 2 10^(that + 1)), so one comparison gives the exact decimal exponent.
struct DecimalExponents {
  int low[kHighestExponent - kLowestExponent + 1] = {};
  std::uint64_t threshold[kHighestExponent - kLowestExponent + 1] = {};
  constexpr DecimalExponents() {
    for (int b = kLowestExponent; b <= kHighestExponent; ++b) {
      // floor(log10 2^b) by exact comparison with the powers of ten.
      int e = b >= 0 ? 0 : -1;
      const int k = 52 - b;  // 2^b is 2^52 / 2^k
      auto at_least = [k](int j) {  // 2^52 >= 10^j 2^k
        const Wide one = 1;
        return j >= 0 ? (one << 52) >= static_cast<Wide>(kTens[j]) << k
                      : static_cast<Wide>(kTens[-j]) << 52 >= one << k;
      };
      while (at_least(e + 1)) ++e;
      while (!at_least(e)) --e;
      low[b - kLowestExponent] = e;
      const int j = e + 1;
      // m >= 10^j 2^k, or m >= 2^k / 10^-j rounded up.
      const Wide t = j >= 0 ? static_cast<Wide>(kTens[j]) << k
                            : ((Wide{1} << k) + kTens[-j] - 1) / kTens[-j];
      threshold[b - kLowestExponent] =
          t > (Wide{1} << 53) ? std::uint64_t{1} << 53 : static_cast<std::uint64_t>(t);
    }
  }
};
constexpr DecimalExponents kDecimalExponents;

// "00" to "99", so that the digits come two at a time.
struct DigitPairs {
  char text[200] = {};
  constexpr DigitPairs() {
    for (int i = 0; i < 100; ++i) {
      text[2 * i] = static_cast<char>('0' + i / 10);
      text[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr DigitPairs kDigitPairs;

// The six digits of v < 10^6 at out.
inline void six_digits(std::uint32_t v, char* out) {
  const std::uint32_t high = v / 10000, rest = v % 10000;
  std::memcpy(out, &kDigitPairs.text[2 * high], 2);
  std::memcpy(out + 2, &kDigitPairs.text[2 * (rest / 100)], 2);
  std::memcpy(out + 4, &kDigitPairs.text[2 * (rest % 100)], 2);
}

}  // namespace

// |x| is m 2^-k exactly (m the 53-bit significand), so |x| 10^s (s = 11 - the
// decimal exponent) is m 10^s 2^-k, an exact 128-bit fixed-point number,
// rounded here to 12 digits with ties to even, as printf rounds. The decimal
// exponent comes from a table by the binary one and one comparison, the
// digits two at a time, the last significant digit from one bit scan, and
// the text is put together by fixed-size copies, so that no loop runs over
// the digits: far less work than the general formatting of the plain version.
// Trick number-text-fixed; plain: std::to_chars and a scan for the point; bench: NumberText/number_text_fixed vs NumberText/plain_to_chars.
std::size_t number_text_fixed(double x, char* out) {
  const double a = std::fabs(x);
  if (!(a >= 1e-4 && a < 1e12)) return 0;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &a, sizeof bits);
  const int b = static_cast<int>(bits >> 52) - 1023;
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int k = 52 - b;  // 13 <= k <= 66
  int e = kDecimalExponents.low[b - kLowestExponent] + (m >= kDecimalExponents.threshold[b - kLowestExponent]);
  // |x| 10^s rounded to an integer, ties to even: adding half less one and
  // the parity of the truncated value carries into it exactly when the
  // rounding goes up.
  const Wide scaled = static_cast<Wide>(m) * kTens[11 - e];
  const Wide half = Wide{1} << (k - 1);
  std::uint64_t q = static_cast<std::uint64_t>((scaled + (half - 1) + ((scaled >> k) & 1)) >> k);
  if (q == kTens[12]) {  // rounded up to the next power of ten
    q = kTens[11];
    if (++e == 12) return 0;  // 1e+12
  }
  // The twelve digits, then the length without trailing zeros: the first
  // digit is not zero, and the highest byte of the last eight that is not a
  // "0" is the last significant digit.
  char digits[32];
  six_digits(static_cast<std::uint32_t>(q / 1000000), digits);
  six_digits(static_cast<std::uint32_t>(q % 1000000), digits + 6);
  std::uint64_t tail = 0;
  std::memcpy(&tail, digits + 4, 8);
  tail ^= 0x3030303030303030ull;
  std::uint32_t head = 0;
  std::memcpy(&head, digits, 4);
  head ^= 0x30303030u;
  const int n = tail != 0 ? 4 + (63 - __builtin_clzll(tail)) / 8 + 1 : (31 - __builtin_clz(head)) / 8 + 1;
  char* o = out;
  *o = '-';
  o += x < 0;
  if (e >= 0) {
    // The integer digits, the point (number_text adds one to a text of digits alone)
    // and the fraction, if any.
    std::memcpy(o, digits, 16);
    o[e + 1] = '.';
    std::memcpy(o + e + 2, digits + e + 1, 16);
    return static_cast<std::size_t>(o - out) + static_cast<std::size_t>(n > e + 1 ? n : e + 1) + 1;
  }
  // "0.", the zeros after the point, the digits.
  std::memcpy(o, "0.000", 5);
  std::memcpy(o + 1 - e, digits, 16);
  return static_cast<std::size_t>(o - out) + static_cast<std::size_t>(1 - e + n);
}

std::size_t number_text(double x, char* out) {
  if (is_small_integer(x)) {
    auto res = std::to_chars(out, out + kNumberTextMax, static_cast<int>(x));
    return static_cast<std::size_t>(res.ptr - out);
  }
  if (std::size_t n = number_text_fixed(x, out)) return n;
  if (std::isnan(x)) {
    // "%.12g" writes a NaN with its sign.
    const char* text = std::signbit(x) ? "-nan" : "nan";
    std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    return n;
  }
#if defined(__cpp_lib_to_chars)
  auto res = std::to_chars(out, out + kNumberTextMax, x, std::chars_format::general, 12);
  std::size_t n = static_cast<std::size_t>(res.ptr - out);
#else
  // A standard library without to_chars for doubles (WebAssembly's): the C
  // library's "%.12g", which gives the same text.
  const int written = std::snprintf(out, kNumberTextMax, "%.12g", x);
  std::size_t n = written > 0 ? static_cast<std::size_t>(written) : 0;
#endif
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

std::string number_text(double x) {
  char buf[kNumberTextMax];
  return std::string(buf, number_text(x, buf));
}

}  // namespace zorm
