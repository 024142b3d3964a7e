// Replace mode: the filter over standard input, and the rewriting of one line
// by evaluating every delimited statement, rightmost pair first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "util/reverse_search.h"

namespace zorm {

class Session;

// Replace mode: copies standard input to standard output line by line, each
// line rewritten with the session's delimiters and result texts, then writes
// the end-of-input notice. Flips the echo-input flag when it starts.
void eval_stdin_replace(Session& session);

// Passes allowed beyond the number of closers in the line as read. A line only
// needs more when result texts keep forming new delimiters.
inline constexpr std::size_t kExtraPasses = 10000;

// The notice of a line whose rewriting the pass bound stopped: the start,
// the number of passes, the end.
inline constexpr std::string_view kStoppedNoticeStart = "{Replacement stopped after ";
inline constexpr std::string_view kStoppedNoticeEnd = " passes: the results keep forming new delimiters}";

struct Rewrite {
  std::string line;
  std::size_t passes = 0;
  bool cut = false;  // the pass bound stopped the rewriting
};

// A count of the effects that can make the next pass differ (bindings made,
// random numbers drawn), read before and after each pass.
using EffectCount = std::function<std::uint64_t()>;

// Repeats passes over the line: the closer is the last occurrence of `right`,
// the opener the last occurrence of `left` that ends at or before it; the pair
// and the text between them are replaced by eval(text). Stops when no pair is
// left, when a pass leaves the line unchanged and `effects` (when given) did
// not move during it, or at the pass bound (the closers in the line as read
// plus `extra_passes`).
Rewrite seek_and_replace(std::string_view left, std::string_view right, std::string_view line,
                         const std::function<std::string_view(std::string_view)>& eval,
                         std::size_t extra_passes = kExtraPasses, const EffectCount& effects = nullptr);
// The same with the delimiters' searchers made once, for many lines.
Rewrite seek_and_replace(const ReverseSearcher& left, const ReverseSearcher& right, std::string_view line,
                         const std::function<std::string_view(std::string_view)>& eval,
                         std::size_t extra_passes = kExtraPasses, const EffectCount& effects = nullptr);

}  // namespace zorm
