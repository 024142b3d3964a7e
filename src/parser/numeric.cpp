// The numeric helpers with rules of their own.
#include "parser/numeric.h"

#include <sys/time.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "report/reporter.h"

namespace zorm {

namespace {

#if LDBL_MANT_DIG == 64
// Extended precision is long double's own (x86's 80-bit format).
using Extended = long double;
Extended extended_log(Extended x) { return std::log(x); }
Extended extended(Extended x) { return x; }
Extended extended_quotient(Extended a, Extended b) { return a / b; }
#else
// Elsewhere (WebAssembly's long double is the 128-bit format, its logl only
// double precision) the same values come from long double rounded to a
// 64-bit significand after every step, with a logarithm of its own.
static_assert(LDBL_MANT_DIG == 113, "long double is neither x86's extended format nor the 128-bit one");
using Extended = long double;

// x rounded to a 64-bit significand, ties to even, as an extended register
// holds it: the 49 lowest of the 112 stored significand bits go, and a carry
// runs into the exponent by itself.
Extended extended(Extended x) {
  if (!std::isfinite(x)) return x;
  __extension__ typedef unsigned __int128 Bits;
  Bits bits;
  std::memcpy(&bits, &x, sizeof bits);
  constexpr Bits kDropped = (Bits{1} << 49) - 1;
  constexpr Bits kHalf = Bits{1} << 48;
  const Bits low = bits & kDropped;
  bits -= low;
  if (low > kHalf || (low == kHalf && ((bits >> 49) & 1) != 0)) bits += Bits{1} << 49;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// The natural logarithm to about 110 bits, rounded to 64: x = m 2^e with m
// within [sqrt(1/2), sqrt(2)), ln m = 2 atanh(s) for s = (m - 1) / (m + 1)
// (|s| < 0.172) by its series, and e ln 2.
Extended extended_log(Extended x) {
  if (std::isnan(x) || x < 0) return std::numeric_limits<Extended>::quiet_NaN();
  if (x == 0) return -std::numeric_limits<Extended>::infinity();
  if (std::isinf(x)) return x;
  int e = 0;
  Extended m = std::frexp(x, &e);  // within [1/2, 1)
  if (m < 0.70710678118654752440084436210484903928L) {
    m *= 2;
    --e;
  }
  const Extended s = (m - 1) / (m + 1);
  const Extended s2 = s * s;
  // The terms fall by s2 < 0.0295 each: 23 of them reach below 2^-113.
  Extended sum = 0;
  for (int k = 45; k >= 1; k -= 2) sum = sum * s2 + 1.0L / k;
  constexpr Extended kLn2 = 0.693147180559945309417232121458176568075500134360255254120680009L;
  return extended(2 * s * sum + static_cast<Extended>(e) * kLn2);
}

// a / b rounded to 64 bits; 0 / 0 and inf / inf give the extended unit's
// default NaN, whose sign is set.
Extended extended_quotient(Extended a, Extended b) {
  const Extended q = a / b;
  if (std::isnan(q) && !std::isnan(a) && !std::isnan(b)) return -std::numeric_limits<Extended>::quiet_NaN();
  return extended(q);
}
#endif

}  // namespace

double deg_to_rad(double x) {
  const Extended q = extended(static_cast<Extended>(kPi) / 180.0L);
  return static_cast<double>(extended(q * static_cast<Extended>(x)));
}

double log_base(double a, double b) {
  const Extended lb = extended_log(static_cast<Extended>(b));
  const Extended la = extended_log(static_cast<Extended>(a));
  return static_cast<double>(extended_quotient(lb, la));
}

double round_half_down(double x) {
  double f = std::floor(x);
  double d = x - f;
  if (d > 0.5 || std::isnan(d)) return f + 1.0;
  return f;
}

namespace {

double factorial_of_integer(long long n) {
  double r = 1.0;
  for (long long i = 2; i <= n; ++i) r *= static_cast<double>(i);
  return r;
}

}  // namespace

double factorial(double x, Span span) {
  if (!std::isfinite(x) || std::trunc(x) != x)
    throw EvalFailure(FailureCode::domain, span);
  if (x > 21.0) throw EvalFailure(FailureCode::too_big, span);
  // Below -2^63 the conversion itself would be undefined.
  if (x < 0.0) throw EvalFailure(FailureCode::domain, span);
  return factorial_of_integer(static_cast<long long>(x));
}

Random::Random() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::uint64_t t = static_cast<std::uint64_t>(tv.tv_sec) ^ static_cast<std::uint64_t>(tv.tv_usec);
  std::uint64_t ids = static_cast<std::uint64_t>(getpid()) | (static_cast<std::uint64_t>(getppid()) << 16);
  seed(t ^ ids);
}

Random::Random(std::uint64_t s) { seed(s); }

void Random::seed(std::uint64_t s) {
  // Spread the seed over the state with splitmix64, then warm up.
  for (auto& word : state_) {
    s += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = s;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    word = static_cast<std::uint32_t>(z) & 0x3FFFFFFFu;
  }
  index_ = 0;
  for (int i = 0; i < 55 * 4; ++i) bits30();
}

std::uint32_t Random::bits30() {
  ++draws_;
  index_ = (index_ + 1) % 55;
  std::uint32_t& word = state_[static_cast<std::size_t>(index_)];
  word = (word + state_[static_cast<std::size_t>((index_ + 24) % 55)]) & 0x3FFFFFFFu;
  return word;
}

double Random::fraction() {
  constexpr double kScale = 1073741824.0;  // 2^30
  double r1 = bits30();
  double r2 = bits30();
  double r3 = bits30();
  return ((r1 / kScale + r2) / kScale + r3) / kScale;
}

}  // namespace zorm
