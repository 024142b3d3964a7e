// Replace mode. The line is rewritten from right to left: everything after
// the closer of a pass can never hold a later closer (the closer was the last
// one), so it moves to a finished tail and is never searched again, which
// keeps a line with many pairs close to linear in its length.
#include "driver/replace.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "driver/session.h"

namespace zorm {

std::size_t count_occurrences(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return text.size() + 1;
  std::size_t count = 0;
  for (std::size_t at = text.find(pattern); at != std::string_view::npos; at = text.find(pattern, at + 1))
    ++count;
  return count;
}

namespace {

// Like std::string_view::rfind (the start of the last occurrence of pattern
// that starts at or before pos), with memrchr finding the candidates instead
// of a comparison at every position: most lines hold no delimiter at all.
std::size_t rfind_text(std::string_view text, std::string_view pattern,
                       std::size_t pos = std::string_view::npos) {
  if (pattern.empty()) return std::min(pos, text.size());
  if (pattern.size() > text.size()) return std::string_view::npos;
  std::size_t limit = std::min(pos, text.size() - pattern.size()) + 1;  // candidates below
  while (limit > 0) {
    const void* hit = ::memrchr(text.data(), pattern[0], limit);
    if (hit == nullptr) break;
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    if (std::memcmp(text.data() + at + 1, pattern.data() + 1, pattern.size() - 1) == 0) return at;
    limit = at;
  }
  return std::string_view::npos;
}

}  // namespace

Rewrite seek_and_replace(std::string_view left, std::string_view right, std::string_view line,
                         const std::function<std::string_view(std::string_view)>& eval,
                         std::size_t extra_passes) {
  Rewrite rw;
  if (rfind_text(line, right) == std::string_view::npos) {
    rw.line.assign(line);
    return rw;
  }
  const std::size_t bound = count_occurrences(line, right) + extra_passes;
  std::string work(line);  // the part of the line still searched
  std::string tail;        // the finished end of the line, reversed
  std::size_t search_from = std::string::npos;  // last start a closer may have
  std::string kept;
  for (;;) {
    std::size_t close = rfind_text(work, right, search_from);
    if (close == std::string::npos || close < left.size()) break;
    std::size_t open = rfind_text(work, left, close - left.size());
    if (open == std::string::npos) break;
    if (rw.passes == bound) {
      rw.cut = true;
      break;
    }
    ++rw.passes;
    const std::size_t body = open + left.size();
    const std::size_t after = close + right.size();
    std::string_view result = eval(std::string_view(work).substr(body, close - body));
    const bool unchanged = std::string_view(work).substr(open, after - open) == result;
    // Keep right.size() - 1 bytes after the closer searchable: a closer formed
    // by the result text may reach into them.
    std::size_t keep = right.empty() ? work.size() - after
                                     : std::min(right.size() - 1, work.size() - after);
    for (std::size_t i = work.size(); i > after + keep; --i) tail.push_back(work[i - 1]);
    kept.assign(work, after, keep);
    // When the searched part ends right after the closer, the bytes that
    // follow come back from the finished tail.
    while (!right.empty() && kept.size() < right.size() - 1 && !tail.empty()) {
      kept.push_back(tail.back());
      tail.pop_back();
    }
    work.resize(open);
    work.append(result);
    search_from = right.empty() ? std::string::npos
                                : (work.empty() ? std::string::npos : work.size() - 1);
    if (!right.empty() && work.empty()) {
      work.append(kept);
      break;  // nothing left before the kept bytes can start a closer
    }
    work.append(kept);
    if (unchanged) break;
  }
  rw.line = std::move(work);
  rw.line.append(tail.rbegin(), tail.rend());
  return rw;
}

void Session::eval_stdin_replace() {
  flags().echo_input = !flags().echo_input;
  Output& out = streams_.out();
  const std::string left = settings_.left_delimiter;
  const std::string right = settings_.right_delimiter;
  const std::function<std::string_view(std::string_view)> eval = [this](std::string_view text) {
    return str(text);
  };
  for_each_stdin_line([&](std::string_view line) {
    if (!right.empty() && rfind_text(line, right) == std::string_view::npos) {
      // No closer: the line goes out as it came in.
      out.write(line);
      out.end_line();
      return;
    }
    Rewrite rw = seek_and_replace(left, right, line, eval);
    if (rw.cut)
      streams_.notice("{Replacement stopped after " + std::to_string(rw.passes) +
                      " passes: the results keep forming new delimiters}");
    out.write(rw.line);
    out.end_line();
  });
}

}  // namespace zorm
