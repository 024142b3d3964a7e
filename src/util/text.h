// Small text helpers shared by the reporter, the variable store and the
// bindings listing.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zorm {

// The first n bytes of text, followed by "..." when text is longer than n.
std::string snippet(std::string_view text, std::size_t n);

// snippet as two views, for writing it without a copy: the first n bytes of
// text, and "..." when text is longer than n (else empty).
struct SnippetParts {
  std::string_view head;
  std::string_view more;
};
SnippetParts snippet_parts(std::string_view text, std::size_t n);

// The decimal digits of a count, held in place (for messages written without
// allocating).
class Decimal {
 public:
  explicit Decimal(std::size_t value);
  std::string_view view() const { return std::string_view(digits_, size_); }

 private:
  char digits_[24];
  std::size_t size_;
};

// pattern repeated n times; empty when n is zero or negative.
std::string repeat_pattern(std::string_view pattern, long long n);

// word, with an "s" appended unless |count| is 0 or 1.
std::string pluralise(std::string_view word, long long count);

}  // namespace zorm
