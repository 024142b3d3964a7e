// The evaluation loops: the per-statement printer, the list and
// standard-input loops, the welcome banner, definitions files, the mode
// dispatcher, and the one line reader that every loop over lines uses.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "session/session.h"
#include "util/io.h"

namespace zorm {

// Evaluates a statement and writes its result line (see ResultFormat).
void print_eval(Session& session, std::string_view expr);
// The same for padded text, which is evaluated where it lies.
void print_eval(Session& session, PaddedView expr);
// print_eval on each statement, in order.
void eval_list(Session& session, std::span<const std::string> list);
// print_eval on every line of standard input, then the end-of-input notice.
void eval_stdin(Session& session);
// The welcome banner, when the welcome flag is on.
void write_banner(const Settings& settings, Output& out);
// Announces the file on standard error, then evaluates each of its lines
// silently. A file that cannot be opened or read ends the run (FatalFailure).
void eval_file(Session& session, const std::string& name);
// Runs the mode the command line chose.
void run(Session& session);

// The failure that ends the run when a read fails: "Sys_error" with the
// system's error text, after the name of what was read and ": " when there
// is a name (a definitions file, whose name may be empty; standard input has
// none).
FatalFailure read_failure(std::optional<std::string_view> name, const IoError& error);

// Calls fn on every line of `in` (padded lines, as LineReader splits them), flushing
// `out` before every read of the input. A failed read raises read_failure;
// what fn raises passes through.
template <class Fn>
void for_each_line(Input& in, Output& out, std::optional<std::string_view> name, Fn&& fn) {
  LineReader lines(in, [&out] { out.flush(); });
  PaddedView line;
  for (;;) {
    try {
      if (!lines.next(line)) return;
    } catch (const IoError& e) {
      throw read_failure(name, e);
    }
    fn(line);
  }
}

// for_each_line over the session's standard input, then the end-of-input
// notice "{End of file reached}".
template <class Fn>
void for_each_stdin_line(Session& session, Fn&& fn) {
  for_each_line(session.input(), session.io().out(), std::nullopt, fn);
  session.io().notice("{End of file reached}");
}

}  // namespace zorm
