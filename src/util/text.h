// Small text helpers shared by the reporter, the variable store and the
// bindings listing.
#pragma once

#include <string>
#include <string_view>

namespace zorm {

// The first n bytes of text, followed by "..." when text is longer than n.
std::string snippet(std::string_view text, std::size_t n);

// pattern repeated n times; empty when n is zero or negative.
std::string repeat_pattern(std::string_view pattern, long long n);

// word, with an "s" appended unless |count| is 0 or 1.
std::string pluralise(std::string_view word, long long count);

}  // namespace zorm
