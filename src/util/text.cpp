// Small text helpers shared by the reporter, the variable store and the
// bindings listing.
#include "util/text.h"

#include <charconv>

namespace zorm {

std::string snippet(std::string_view text, std::size_t n) {
  const SnippetParts parts = snippet_parts(text, n);
  std::string shown(parts.head);
  shown += parts.more;
  return shown;
}

SnippetParts snippet_parts(std::string_view text, std::size_t n) {
  if (text.size() <= n) return {text, {}};
  return {text.substr(0, n), "..."};
}

Decimal::Decimal(std::size_t value) {
  size_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr - digits_);
}

std::string repeat_pattern(std::string_view pattern, long long n) {
  std::string out;
  if (n <= 0) return out;
  out.reserve(pattern.size() * static_cast<std::size_t>(n));
  for (long long i = 0; i < n; ++i) out += pattern;
  return out;
}

std::string pluralise(std::string_view word, long long count) {
  std::string out(word);
  if (count != 0 && count != 1 && count != -1) out += 's';
  return out;
}

}  // namespace zorm
