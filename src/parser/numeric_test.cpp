// The numeric helpers with rules of their own.
#include "parser/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lexer/mathcommon.h"

namespace zorm {
namespace {

TEST(Numeric, RoundHalfTowardNegativeInfinity) {
  struct Case {
    double x, want;
  };
  const Case kCases[] = {{2.5, 2},  {3.5, 3},   {-2.5, -3}, {0.5, 0},
                         {-0.5, -1}, {2.5000000000000004, 3}, {-2.6, -3}, {2.4, 2}};
  for (const Case& c : kCases) EXPECT_EQ(round_half_down(c.x), c.want) << c.x;
  EXPECT_FALSE(std::signbit(round_half_down(-0.4)));
  EXPECT_TRUE(std::signbit(round_half_down(-0.0)));
  EXPECT_EQ(round_half_down(HUGE_VAL), HUGE_VAL);
  EXPECT_TRUE(std::isnan(round_half_down(std::nan(""))));
}

TEST(Numeric, ExtendedPrecisionLogAndAngles) {
  EXPECT_EQ(logb(2, 8), 3.0);
  EXPECT_EQ(logb(10, 1000), 3.0);
  EXPECT_EQ(logb(10, 1000000), 6.0);
  EXPECT_EQ(logb(1, 5), HUGE_VAL);
  EXPECT_TRUE(std::isnan(logb(10, -1)));
  EXPECT_EQ(deg_to_rad(180), 3.141592653589793);
  EXPECT_EQ(deg_to_rad(90) * 2, 3.141592653589793);
}

TEST(Numeric, TruthValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(fxor(2, 3), 0.0);
  EXPECT_EQ(fxor(0, -1), 1.0);
  EXPECT_EQ(fxor(nan, 0), 1.0);
  EXPECT_EQ(fxor(0, 0), 0.0);
  EXPECT_TRUE(bof(nan));
  EXPECT_FALSE(bof(-0.0));
}

TEST(Numeric, Factorial) {
  EXPECT_EQ(factorial_f(0), 1.0);
  EXPECT_EQ(factorial_f(1), 1.0);
  EXPECT_EQ(factorial_f(13), 6227020800.0);
  EXPECT_EQ(factorial_f(21), 51090942171709440000.0);
  auto message = [](double x) {
    try {
      factorial_f(x);
    } catch (const EvalFailure& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(message(22), "Factorial: Too big!");
  EXPECT_EQ(message(1e300), "Factorial: Too big!");
  for (double bad : {2.5, -2.5, -1.0, -3.0, std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    EXPECT_NE(message(bad), "Factorial: Too big!") << bad;
    EXPECT_NE(message(bad), "no failure") << bad;
  }
}

TEST(Numeric, RandomFractionRange) {
  Random a(7), b(7);
  for (int i = 0; i < 1000; ++i) {
    double r = a.fraction();
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
    EXPECT_EQ(r, b.fraction());
    EXPECT_LT(a.bits30(), 1u << 30);
    b.bits30();
  }
}

}  // namespace
}  // namespace zorm
