// Replace mode's line rewriting: the worked examples through a real session,
// and the fast rewriting checked against a plain rescan-every-pass model.
#include "session/replace.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/rescan_model.h"
#include "support/session_fixture.h"

namespace zorm {
namespace {

using testing::rescan_model;
using testing::SessionFixture;

TEST(Replace, WorkedExamples) {
  struct Case {
    std::string_view line, want;
  };
  const Case kCases[] = {
      {"The sum is [[1+2]].", "The sum is 3."},
      {"[[1+1]] and [[2*3]]", "2 and 6"},
      {"[[x=4]] then [[x*2]]", "() then Error."},
      {"[[x*2]]", "8"},
      {"[[ [2+3]*2 ]]", "10"},
      {"[[[2+3]]]", "[Error."},
      {"[[1+1]] ]]", "Error."},
      {"[[ [[2]] ]]", "[[ Error."},
      {"a [[ b", "a [[ b"},
      {"]] [[", "]] [["},
      {"[[]]", "()"},
      {"", ""},
      {"x [[1]]\r", "x 1\r"},
  };
  SessionFixture f;
  auto eval = [&](std::string_view text) { return f.text(text); };
  for (const Case& c : kCases) EXPECT_EQ(seek_and_replace("[[", "]]", c.line, eval).line, c.want) << c.line;
}

TEST(Replace, LiteralDelimiters) {
  SessionFixture f;
  auto eval = [&](std::string_view text) { return f.text(text); };
  EXPECT_EQ(seek_and_replace("<%", "%>", "2 <%1+1%> 2", eval).line, "2 2 2");
  EXPECT_EQ(seek_and_replace(".*", "*.", "a .*2*3*. b", eval).line, "a 6 b");
  EXPECT_EQ(seek_and_replace(".*", "*.", "a 2*3 b", eval).line, "a 2*3 b");
  EXPECT_EQ(seek_and_replace("(", ")", "(x=1)", eval).line, "()");
}

TEST(Replace, EndlessConfigurationsAreCut) {
  SessionFixture f;
  auto eval = [&](std::string_view text) { return f.text(text); };
  Rewrite rw = seek_and_replace("", "", "ab", eval);
  EXPECT_TRUE(rw.cut);
  EXPECT_EQ(rw.passes, 3 + kExtraPasses);
  std::string want = "ab";
  for (std::size_t i = 0; i < rw.passes; ++i) want += "()";
  EXPECT_EQ(rw.line, want);
}

TEST(Replace, MatchesRescanModel) {
  // Results drawn from the delimiter alphabet keep forming new pairs, also
  // across the end of the result.
  std::mt19937 rng(2024);
  const std::string alphabet = "[]<>x";
  auto pick = [&](std::size_t max_len) {
    std::string s(std::uniform_int_distribution<std::size_t>(0, max_len)(rng), ' ');
    for (char& c : s) c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string left = pick(2), right = pick(3), line = pick(14);
    if (left.empty() && right.empty()) continue;  // always cut; covered above
    std::string results[3] = {pick(2), pick(2), pick(2)};
    std::string held;
    auto eval = [&](std::string_view text) -> std::string_view {
      held = results[text.size() % 3];
      return held;
    };
    constexpr std::size_t kExtra = 40;
    Rewrite fast = seek_and_replace(left, right, line, eval, kExtra);
    Rewrite model = *rescan_model(left, right, line, eval, kExtra);
    ASSERT_EQ(fast.line, model.line) << "left=" << left << " right=" << right << " line=" << line;
    ASSERT_EQ(fast.cut, model.cut) << line;
  }
}

TEST(Replace, ManyPairsOnOneLine) {
  SessionFixture f;
  auto eval = [&](std::string_view text) { return f.text(text); };
  std::string line;
  for (int i = 0; i < 200000; ++i) line += "[[1]]";
  Rewrite rw = seek_and_replace("[[", "]]", line, eval);
  EXPECT_EQ(rw.line, std::string(200000, '1'));
  EXPECT_EQ(rw.passes, 200000u);
}

}  // namespace
}  // namespace zorm
