// Number lexemes against strtod: the short path that divides by a power of
// ten must give the same double as the general conversion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "lexer/lexer.h"
#include "support/lex_cursor.h"

namespace zorm {
namespace {

TEST(NumberConversion, MatchesStrtod) {
  std::mt19937_64 rng(7);
  int failures = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    int before = static_cast<int>(rng() % 20);
    for (int j = 0; j < before; ++j) text += static_cast<char>('0' + rng() % 10);
    if (rng() % 3 != 0) {
      text += '.';
      int after = static_cast<int>(rng() % 26);
      for (int j = 0; j < after; ++j) text += static_cast<char>('0' + rng() % 10);
    }
    if (text.empty() || text == ".") continue;
    testing::LexCursor cursor(text);
    double got = 0.0;
    ASSERT_EQ(cursor.next(&got), Tok::VAL) << text;
    EXPECT_EQ(cursor.token_end(), text.size()) << text;
    double want = std::strtod(("0" + text).c_str(), nullptr);
    if (std::memcmp(&got, &want, sizeof got) != 0 && ++failures <= 10)
      ADD_FAILURE() << text << ": " << got << " instead of " << want;
  }
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace zorm
