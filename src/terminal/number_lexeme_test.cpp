// Results put back into statements: the text read by the evaluator gives the
// very same double, for values that need all their digits, the extremes and
// negative ones.
#include "terminal/number_lexeme.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/evaluator.h"
#include "util/io.h"

namespace zorm {
namespace {

TEST(NumberLexeme, ReadsBackAsTheSameDouble) {
  StringOutput out, err;
  Evaluator core(out, err);
  const double kValues[] = {1.0 / 3,
                            0.1,
                            0.1 + 0.2,
                            1e300,
                            5e-324,
                            -2.0,
                            0.0,
                            -0.0,
                            42.0,
                            1073741824.0,
                            -1e-5,
                            123456789012.5,
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::min(),
                            2.0 / 3 * 1e-200};
  for (double v : kValues) {
    const std::optional<std::string> text = number_lexeme(v);
    ASSERT_TRUE(text) << v;
    EXPECT_EQ(text->find_first_of("eE"), std::string::npos) << *text;
    const Outcome o = core.evaluate(*text);
    ASSERT_EQ(o.kind, OutcomeKind::number) << *text << err.text();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(o.value), std::bit_cast<std::uint64_t>(v)) << *text;
  }
  EXPECT_EQ(err.text(), "");
}

TEST(NumberLexeme, Texts) {
  const struct {
    double value;
    const char* text;
  } kCases[] = {{1.0 / 3, "0.3333333333333333"}, {0.1, "0.1"},   {-2.0, "(-2)"},        {7.0, "7"},
                {1073741824.0, "1073741824"},    {-0.0, "(-0)"}, {2.5e-7, "0.00000025"}};
  for (const auto& c : kCases) EXPECT_EQ(number_lexeme(c.value), c.text) << c.value;
  EXPECT_EQ(number_lexeme(1e300)->size(), 301u);
  EXPECT_EQ(*number_lexeme(5e-324), "0." + std::string(323, '0') + "5");
}

TEST(NumberLexeme, NoneForNanAndInfinities) {
  for (double v : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()})
    EXPECT_FALSE(number_lexeme(v)) << v;
}

}  // namespace
}  // namespace zorm
