// Replace mode. The line is rewritten from right to left: everything after
// the closer of a pass can never hold a later closer (the closer was the last
// one), so it moves to a finished tail and is never searched again, which
// keeps a line with many pairs close to linear in its length.
#include "session/replace.h"

#include <algorithm>

#include "session/loops.h"
#include "session/session.h"
#include "util/text.h"

namespace zorm {

Rewrite seek_and_replace(std::string_view left, std::string_view right, std::string_view line,
                         const std::function<std::string_view(std::string_view)>& eval,
                         std::size_t extra_passes, const EffectCount& effects) {
  return seek_and_replace(ReverseSearcher(left), ReverseSearcher(right), line, eval, extra_passes, effects);
}

Rewrite seek_and_replace(const ReverseSearcher& left, const ReverseSearcher& right, std::string_view line,
                         const std::function<std::string_view(std::string_view)>& eval,
                         std::size_t extra_passes, const EffectCount& effects) {
  Rewrite rw;
  if (right.rfind(line) == std::string_view::npos) {
    rw.line.assign(line);
    return rw;
  }
  const std::size_t bound = right.count(line) + extra_passes;
  std::string work(line);  // the part of the line still searched
  std::string tail;        // the finished end of the line, reversed
  std::size_t search_from = std::string::npos;  // last start a closer may have
  std::string kept;
  for (;;) {
    std::size_t close = right.rfind(work, search_from);
    if (close == std::string::npos || close < left.size()) break;
    std::size_t open = left.rfind(work, close - left.size());
    if (open == std::string::npos) break;
    if (rw.passes == bound) {
      rw.cut = true;
      break;
    }
    ++rw.passes;
    const std::size_t body = open + left.size();
    const std::size_t after = close + right.size();
    const std::uint64_t effects_before = effects ? effects() : 0;
    std::string_view result = eval(std::string_view(work).substr(body, close - body));
    // An unchanged line is finished only when nothing that the next pass
    // reads has changed: a binding made or a number drawn may give the same
    // statement another result.
    const bool unchanged = std::string_view(work).substr(open, after - open) == result &&
                           (!effects || effects() == effects_before);
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

void eval_stdin_replace(Session& session) {
  ReportFlags& flags = session.core().report_flags();
  flags.echo_input = !flags.echo_input;
  const Settings& settings = session.settings();
  Output& out = session.io().out();
  const ReverseSearcher left(settings.left_delimiter);
  const ReverseSearcher right(settings.right_delimiter);
  Evaluator& core = session.core();
  const std::function<std::string_view(std::string_view)> eval = [&core](std::string_view text) {
    return core.result_text(core.evaluate(text));
  };
  const EffectCount effects = [&core] { return core.parser().effects(); };
  for_each_stdin_line(session, [&](PaddedView padded) {
    const std::string_view line = padded.text();
    if (!right.empty() && right.rfind(line) == std::string_view::npos) {
      // No closer: the line goes out as it came in.
      out.write(line);
      out.end_line();
      return;
    }
    Rewrite rw = seek_and_replace(left, right, line, eval, kExtraPasses, effects);
    if (rw.cut)
      session.io().notice({kStoppedNoticeStart, Decimal(rw.passes).view(), kStoppedNoticeEnd});
    out.write(rw.line);
    out.end_line();
  });
}

}  // namespace zorm
