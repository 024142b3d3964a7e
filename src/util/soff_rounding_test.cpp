// soff against the C library's "%.12g" on many values: the short fixed-point
// path must round exactly as printf does, ties to even included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "support/soff_reference.h"
#include "util/soff.h"

namespace zorm {
namespace {

using testing::reference_soff;

TEST(SoffRounding, MatchesPrintf) {
  std::mt19937_64 rng(20261210);
  std::uniform_real_distribution<double> log_size(std::log(0.9e-4), std::log(1.1e12));
  int failures = 0;
  auto check = [&](double x) {
    if (soff(x) == reference_soff(x) || ++failures > 10) return;
    char exact[40];
    std::snprintf(exact, sizeof exact, "%.17g", x);
    ADD_FAILURE() << exact << ": " << soff(x) << " instead of " << reference_soff(x);
  };
  for (int i = 0; i < 100000; ++i) {
    double x = std::exp(log_size(rng));
    check(x);
    check(-x);
    // Binary fractions: exact ties at the thirteenth digit occur among them.
    std::uint64_t k = rng() % (std::uint64_t{1} << 41);
    int shift = 1 + static_cast<int>(rng() % 20);
    check(std::ldexp(static_cast<double>(k), -shift));
    // Around powers of ten, where the decimal exponent changes.
    double p = std::pow(10.0, static_cast<int>(rng() % 17) - 5);
    check(p);
    check(std::nextafter(p, 0.0));
    check(p * (1 - 5e-13));
    check(p * (1 - 4.9e-13));
  }
  for (double x : {999999999999.5, 999999999999.4, 0.000099999999999995, 0.00009999999999999,
                   123456789012.5, 123456789013.5, 0.1 + 0.2, 2.0 / 3})
    check(x);
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace zorm
