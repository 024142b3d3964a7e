// The reverse searcher against std::string_view::rfind and a plain count.
// Texts over one to three letters make long patterns' candidates fail late,
// so that the scan takes over from memrchr.
#include "util/reverse_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zorm {
namespace {

std::size_t plain_count(std::string_view text, std::string_view pattern) {
  if (pattern.size() > text.size()) return 0;
  std::size_t n = 0;
  for (std::size_t i = 0; i + pattern.size() <= text.size(); ++i) n += text.substr(i, pattern.size()) == pattern;
  return n;
}

TEST(ReverseSearcher, SelfSimilarPatterns) {
  const std::string run(1000, 'a');
  const std::string pattern = std::string(20, 'a') + "b";
  struct Case {
    std::string text;
    std::size_t pos, want;
  };
  const Case kCases[] = {
      {run, std::string_view::npos, std::string_view::npos},
      {run + pattern + run, std::string_view::npos, 1000},
      {run + pattern + run, 999, std::string_view::npos},
      {pattern + run + pattern, std::string_view::npos, 1021},
      {pattern + run + pattern, 1020, 0},
  };
  const ReverseSearcher s(pattern);
  for (const Case& c : kCases) EXPECT_EQ(s.rfind(c.text, c.pos), c.want) << c.text.size() << " " << c.pos;
  EXPECT_EQ(ReverseSearcher(std::string(10, 'a')).count(std::string(100, 'a')), 91u);
  EXPECT_EQ(ReverseSearcher("aa").count("aaaa"), 3u);
  EXPECT_EQ(ReverseSearcher("").count("abc"), 4u);
}

TEST(ReverseSearcher, AgreesWithRfindAndCount) {
  std::mt19937 rng(7);
  auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  for (int round = 0; round < 4000; ++round) {
    const std::size_t letters = 1 + below(3);
    auto random_text = [&](std::size_t n) {
      std::string t;
      for (std::size_t i = 0; i < n; ++i) t.push_back(static_cast<char>('a' + below(letters)));
      return t;
    };
    const std::string text = random_text(below(300));
    std::string pattern;
    switch (below(3)) {
      case 0:  // random
        pattern = random_text(below(41));
        break;
      case 1:  // a piece of the text: at least one occurrence
        if (!text.empty()) {
          std::size_t at = below(text.size());
          pattern = text.substr(at, below(41));
        }
        break;
      default:  // a run with one other letter at its end
        pattern = std::string(below(40), 'a') + static_cast<char>('a' + below(letters));
    }
    const ReverseSearcher s(pattern);
    const std::string_view t(text);
    for (std::size_t pos : {std::string_view::npos, below(text.size() + 3), text.size() / 2})
      ASSERT_EQ(s.rfind(t, pos), t.rfind(pattern, pos)) << text << " / " << pattern << " at " << pos;
    if (pattern.empty())
      ASSERT_EQ(s.count(t), text.size() + 1);
    else
      ASSERT_EQ(s.count(t), plain_count(t, pattern)) << text << " / " << pattern;
  }
}

}  // namespace
}  // namespace zorm
