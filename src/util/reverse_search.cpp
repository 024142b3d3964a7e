// Searching text from the right for a fixed pattern.
#include "util/reverse_search.h"

#include <string.h>

#include <algorithm>
#include <cstring>

namespace zorm {

namespace {

// Checks may cost this many times the bytes passed over (plus the pattern's
// length) before the scan takes over. A check costs at most the pattern's
// length less one, so patterns of up to kBudget + 1 bytes never exhaust it.
constexpr std::size_t kBudget = 4;

}  // namespace

ReverseSearcher::ReverseSearcher(std::string_view pattern) : pattern_(pattern) {
  const std::size_t m = pattern_.size();
  if (m <= kBudget + 1) return;
  auto rev = [&](std::size_t k) { return pattern_[m - 1 - k]; };
  border_.assign(m, 0);
  for (std::size_t k = 1; k < m; ++k) {
    std::size_t b = border_[k - 1];
    while (b > 0 && rev(k) != rev(b)) b = border_[b - 1];
    if (rev(k) == rev(b)) ++b;
    border_[k] = b;
  }
}

std::size_t ReverseSearcher::rfind(std::string_view text, std::size_t pos) const {
  const std::size_t m = pattern_.size();
  if (m == 0) return std::min(pos, text.size());
  if (m > text.size()) return std::string_view::npos;
  const std::size_t first = std::min(pos, text.size() - m) + 1;
  std::size_t limit = first;  // the candidates left are the starts below it
  // The next candidate, or false when there is none.
  auto next = [&](std::size_t* at) {
    const void* hit = ::memrchr(text.data(), pattern_[0], limit);
    if (hit == nullptr) return false;
    *at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    return true;
  };
  auto matches = [&](std::size_t at) { return std::memcmp(text.data() + at + 1, pattern_.data() + 1, m - 1) == 0; };
  std::size_t at;
  if (border_.empty()) {
    // A short pattern cannot exhaust the budget.
    for (; limit > 0 && next(&at); limit = at)
      if (matches(at)) return at;
    return std::string_view::npos;
  }
  for (std::size_t cost = m - 1; limit > 0 && next(&at); limit = at, cost += m - 1) {
    if (matches(at)) return at;
    if (cost > kBudget * (first - at + m)) return scan(text, at + m - 1, nullptr);
  }
  return std::string_view::npos;
}

std::size_t ReverseSearcher::count(std::string_view text) const {
  if (pattern_.empty()) return text.size() + 1;
  std::size_t n = 0;
  if (border_.empty()) {
    // A short pattern: a check at each candidate costs a few bytes at most,
    // and the forward search finds the candidates with memchr.
    for (std::size_t at = text.find(pattern_); at != std::string_view::npos; at = text.find(pattern_, at + 1)) ++n;
    return n;
  }
  scan(text, text.size(), &n);
  return n;
}

std::size_t ReverseSearcher::scan(std::string_view text, std::size_t end, std::size_t* count) const {
  const std::size_t m = pattern_.size();
  // j bytes of the pattern's end are matched: text[i + 1, i + 1 + j) equals
  // pattern_[m - j, m).
  std::size_t j = 0;
  for (std::size_t i = end; i-- > 0;) {
    const char c = text[i];
    while (j > 0 && pattern_[m - 1 - j] != c) j = border_[j - 1];
    if (pattern_[m - 1 - j] == c) ++j;
    if (j == m) {
      if (count == nullptr) return i;
      ++*count;
      j = border_[m - 1];
    }
  }
  return std::string_view::npos;
}

}  // namespace zorm
