// Number texts.
#include "util/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "util/text.h"

namespace zorm {
namespace {

TEST(NumberText, Texts) {
  struct Case {
    double value;
    const char* want;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case kCases[] = {
      {42, "42"},
      {-7, "-7"},
      {-0.0, "0"},
      {1073741823, "1073741823"},
      {1073741824, "1073741824."},
      {-1073741824, "-1073741824"},
      {-1073741825, "-1073741825."},
      {999999999999, "999999999999."},
      {-999999999999, "-999999999999."},
      {1e12, "1e+12"},
      {-1e12, "-1e+12"},
      {0.5, "0.5"},
      {1.0 / 3, "0.333333333333"},
      {0.1 + 0.2, "0.3"},
      {123456789012.5, "123456789012."},
      {0.00001, "1e-05"},
      {0.0001, "0.0001"},
      {inf, "inf"},
      {-inf, "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {-std::numeric_limits<double>::quiet_NaN(), "-nan"},
      {2.5e-300, "2.5e-300"},
      {5.1090942171709440000e19, "5.10909421717e+19"},
      {4294967296.0, "4294967296."},
  };
  for (const Case& c : kCases) EXPECT_EQ(number_text(c.value), c.want) << c.want;
}

TEST(TextHelpers, SnippetPluralise) {
  struct Case {
    std::string_view text, head, more;
  };
  const Case kCases[] = {
      {"abcdefghijklmno", "abcdefghijklmno", ""},
      {"abcdefghijklmnop", "abcdefghijklmno", "..."},
      {"", "", ""},
  };
  for (const Case& c : kCases) {
    const SnippetParts parts = snippet_parts(c.text, 15);
    EXPECT_EQ(parts.head, c.head) << c.text;
    EXPECT_EQ(parts.more, c.more) << c.text;
  }
  EXPECT_EQ(pluralise("variable", 0), "variable");
  EXPECT_EQ(pluralise("variable", 1), "variable");
  EXPECT_EQ(pluralise("variable", -1), "variable");
  EXPECT_EQ(pluralise("variable", 2), "variables");
}

}  // namespace
}  // namespace zorm
