// number_text against the C library's "%.12g" on millions of doubles: the fast
// fixed-point path must round exactly as printf does, ties to even included,
// and hand every number it does not cover to the plain path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include "support/number_text_reference.h"
#include "util/number_text.h"

namespace zorm {
namespace {

using testing::reference_number_text;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 10;  // the sanitizer build runs a tenth of the values
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif
#else
constexpr int kScale = 1;
#endif

class NumberTextRounding : public ::testing::Test {
 protected:
  // Compares number_text(x) with its definition; reports the first few mismatches.
  void check(double x) {
    char got[kNumberTextMax + 1];
    const std::string_view text(got, number_text(x, got));
    const std::string want = reference_number_text(x);
    ++checked_;
    if (text == want || ++failures_ > 10) return;
    char exact[40];
    std::snprintf(exact, sizeof exact, "%.17g", x);
    ADD_FAILURE() << exact << ": " << text << " instead of " << want;
  }
  void TearDown() override {
    EXPECT_EQ(failures_, 0) << "of " << checked_ << " values";
  }
  int failures_ = 0;
  long checked_ = 0;
};

// Doubles of every size and kind, from random bits: the fast path's bounds
// and the plain path behind it (exponent forms, subnormals, infinities, NaNs).
TEST_F(NumberTextRounding, RandomBits) {
  std::mt19937_64 rng(20261211);
  for (int i = 0; i < 1000000 / kScale; ++i) {
    const std::uint64_t bits = rng();
    double x = 0;
    std::memcpy(&x, &bits, sizeof x);
    check(x);
  }
}

// The fixed-point range, where the fast path works, and a little beyond it.
TEST_F(NumberTextRounding, FixedRange) {
  std::mt19937_64 rng(20261210);
  std::uniform_real_distribution<double> log_size(std::log(0.9e-4), std::log(1.1e12));
  for (int i = 0; i < 1000000 / kScale; ++i) {
    const double x = std::exp(log_size(rng));
    check(x);
    check(-x);
    // Binary fractions: exact ties at the thirteenth digit occur among them.
    const std::uint64_t k = rng() % (std::uint64_t{1} << 41);
    const int shift = 1 + static_cast<int>(rng() % 20);
    check(std::ldexp(static_cast<double>(k), -shift));
    // Integers past the small ones, which take a point.
    check(static_cast<double>(rng() % 2000000000000ull));
  }
}

// Where the decimal exponent changes: around every power of ten of the
// range and around every power of two (the fast path's exponent table).
TEST_F(NumberTextRounding, ExponentBoundaries) {
  for (int p = -6; p <= 13; ++p) {
    const double ten = std::pow(10.0, p);
    double x = ten;
    for (int i = 0; i < 20000 / kScale; ++i) x = std::nextafter(x, 0.0);
    for (int i = 0; i < 40000 / kScale; ++i, x = std::nextafter(x, HUGE_VAL)) check(x);
    for (double f : {1 - 5e-13, 1 - 4.9e-13, 1 - 5.1e-13, 1 + 5e-13, 1 - 5e-12})
      check(ten * f);
  }
  for (int b = -16; b <= 41; ++b) {
    const double two = std::ldexp(1.0, b);
    check(two);
    check(std::nextafter(two, 0.0));
    check(std::nextafter(two, HUGE_VAL));
  }
  for (double x : {999999999999.5, 999999999999.4, 0.000099999999999995, 0.00009999999999999,
                   123456789012.5, 123456789013.5, 0.1 + 0.2, 2.0 / 3, 1e-4, 1e12, 1073741823.0,
                   1073741824.0, -1073741824.0, -1073741825.0, 0.5, -0.0, 1e-5})
    check(x);
}

}  // namespace
}  // namespace zorm
