// The numeric helpers with rules of their own.
#include "parser/numeric.h"

#include <sys/time.h>
#include <unistd.h>

#include <cmath>

#include "report/reporter.h"

namespace zorm {

double deg_to_rad(double x) {
  long double q = static_cast<long double>(kPi) / 180.0L;
  return static_cast<double>(q * static_cast<long double>(x));
}

double log_base(double a, double b) {
  long double lb = std::log(static_cast<long double>(b));
  long double la = std::log(static_cast<long double>(a));
  return static_cast<double>(lb / la);
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
