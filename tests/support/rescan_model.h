// Test-only: replace mode's rewriting done the plain way, every pass
// searching the whole line again. The fast rewriting must agree with it.
#pragma once

#include <cstddef>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "session/replace.h"

namespace zorm::testing {

// Occurrences of pattern in text, overlapping ones included; an empty
// pattern occurs at every position and at the end.
inline std::size_t count_occurrences(std::string_view text, std::string_view pattern) {
  std::size_t n = 0;
  for (std::size_t at = text.find(pattern); at != std::string_view::npos; at = text.find(pattern, at + 1)) ++n;
  return n;
}

// The rewrite with the same pass bound as seek_and_replace (the closers in
// the line as read plus extra_passes). Gives up (nullopt) after `budget`
// passes, since every pass costs the whole line.
inline std::optional<Rewrite> rescan_model(std::string_view left, std::string_view right, std::string line,
                                           const std::function<std::string_view(std::string_view)>& eval,
                                           std::size_t extra_passes = kExtraPasses,
                                           std::size_t budget = std::numeric_limits<std::size_t>::max()) {
  const std::size_t bound = count_occurrences(line, right) + extra_passes;
  Rewrite rw;
  for (;;) {
    std::size_t close = line.rfind(right);
    if (close == std::string::npos || close < left.size()) break;
    std::size_t open = line.rfind(left, close - left.size());
    if (open == std::string::npos) break;
    if (rw.passes == bound) {
      rw.cut = true;
      break;
    }
    if (rw.passes == budget) return std::nullopt;
    ++rw.passes;
    std::size_t body = open + left.size();
    std::string next = line.substr(0, open);
    next += eval(std::string_view(line).substr(body, close - body));
    next += line.substr(close + right.size());
    bool unchanged = next == line;
    line = std::move(next);
    if (unchanged) break;
  }
  rw.line = std::move(line);
  return rw;
}

}  // namespace zorm::testing
