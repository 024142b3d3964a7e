// Small text helpers shared by the reporter, the variable store and the
// bindings listing.
#include "util/text.h"

#include <charconv>

namespace zorm {

SnippetParts snippet_parts(std::string_view text, std::size_t n) {
  if (text.size() <= n) return {text, {}};
  return {text.substr(0, n), "..."};
}

Decimal::Decimal(std::size_t value) {
  size_ = static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr - digits_);
}

std::string pluralise(std::string_view word, long long count) {
  std::string out(word);
  if (count != 0 && count != 1 && count != -1) out += 's';
  return out;
}

}  // namespace zorm
