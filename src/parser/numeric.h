// The numeric helpers with rules of their own: angle conversion, the logarithm
// in a base, rounding, truth values, exclusive or, the factorial and the
// random generator.
#pragma once

#include <array>
#include <cstdint>

#include "report/failure.h"

namespace zorm {

inline constexpr double kPi = 3.141592653589793;

// (pi / 180) * x, with the quotient and product held at extended precision.
double deg_to_rad(double x);
// ln b / ln a, with both logarithms and the quotient at extended precision.
double log_base(double a, double b);
// floor(x) + 1 when the fraction exceeds one half, else floor(x): halves go
// toward negative infinity.
double round_half_down(double x);

inline bool is_true(double x) { return x != 0.0; }
inline double truth_value(bool t) { return t ? 1.0 : 0.0; }
inline double truth_of(double x) { return truth_value(is_true(x)); }
inline double truth_xor(double a, double b) { return truth_value(truth_of(a) + truth_of(b) == 1.0); }

// n! for an integral n from 0 to 21; raises EvalFailure otherwise
// ("Factorial: Too big!" above 21, a domain failure for the rest).
double factorial(double x, Span span);

// A lagged-Fibonacci generator over 55 words of 30 bits.
class Random {
 public:
  // Seeds from the time of day and the process ids.
  Random();
  explicit Random(std::uint64_t seed);
  void seed(std::uint64_t seed);
  // A uniform draw from [0, 2^30).
  std::uint32_t bits30();
  // A uniform value from [0, 1) made of three draws.
  double fraction();
  // The draws made so far.
  std::uint64_t draws() const { return draws_; }

 private:
  std::array<std::uint32_t, 55> state_{};
  int index_ = 0;
  std::uint64_t draws_ = 0;
};

}  // namespace zorm
