// The numeric helpers with rules of their own.
#include "parser/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/reporter.h"

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
  EXPECT_EQ(log_base(2, 8), 3.0);
  EXPECT_EQ(log_base(10, 1000), 3.0);
  EXPECT_EQ(log_base(10, 1000000), 6.0);
  EXPECT_EQ(log_base(1, 5), HUGE_VAL);
  EXPECT_TRUE(std::isnan(log_base(10, -1)));
  EXPECT_EQ(deg_to_rad(180), 3.141592653589793);
  EXPECT_EQ(deg_to_rad(90) * 2, 3.141592653589793);
}

TEST(Numeric, TruthValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(truth_xor(2, 3), 0.0);
  EXPECT_EQ(truth_xor(0, -1), 1.0);
  EXPECT_EQ(truth_xor(nan, 0), 1.0);
  EXPECT_EQ(truth_xor(0, 0), 0.0);
  EXPECT_TRUE(is_true(nan));
  EXPECT_FALSE(is_true(-0.0));
}

TEST(Numeric, Factorial) {
  EXPECT_EQ(factorial(0, Span{}), 1.0);
  EXPECT_EQ(factorial(1, Span{}), 1.0);
  EXPECT_EQ(factorial(13, Span{}), 6227020800.0);
  EXPECT_EQ(factorial(21, Span{}), 51090942171709440000.0);
  auto message = [](double x) {
    try {
      factorial(x, Span{});
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
