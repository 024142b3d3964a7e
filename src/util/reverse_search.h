// Searching text from the right for a fixed pattern, in time linear in the
// text whatever the pattern.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

// Candidates are found with memrchr on the pattern's first byte and checked
// with memcmp, which is fastest where that byte is rare. A pattern whose
// candidates keep failing late (a long, self-similar one such as "aaaab" over
// a run of "a") would cost its length at every position, so once the checks
// have cost more than a few times the bytes passed over, the search goes on
// with a Knuth-Morris-Pratt scan for the reversed pattern, which reads each
// byte once. std::string_view::rfind compares at every position, which costs
// far more on prose and is quadratic for a self-similar delimiter.
// Trick reverse-searcher; plain: std::string_view::rfind; bench: Delimiters/reverse_searcher vs Delimiters/plain_rfind, Delimiters_self_similar/reverse_searcher vs Delimiters_self_similar/plain_rfind.
class ReverseSearcher {
 public:
  explicit ReverseSearcher(std::string_view pattern);

  std::string_view pattern() const { return pattern_; }
  std::size_t size() const { return pattern_.size(); }
  bool empty() const { return pattern_.empty(); }

  // As std::string_view::rfind: the start of the last occurrence that
  // starts at or before pos, or npos.
  std::size_t rfind(std::string_view text, std::size_t pos = std::string_view::npos) const;
  // Occurrences in text, overlapping ones included; an empty pattern occurs
  // at every position and at the end.
  std::size_t count(std::string_view text) const;

 private:
  // The scan over text[0, end) from its end. Returns the start of the first
  // occurrence met (the last one), or, with `count`, counts them all and
  // returns npos.
  std::size_t scan(std::string_view text, std::size_t end, std::size_t* count) const;

  std::string pattern_;
  // border_[k]: the longest proper border of the reversed pattern's first
  // k + 1 bytes. Empty for patterns too short to exhaust the budget.
  std::vector<std::size_t> border_;
};

}  // namespace zorm
