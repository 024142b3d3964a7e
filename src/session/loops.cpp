// The evaluation loops: the per-statement printer, the list and standard-input
// loops, the welcome banner, definitions files and the mode dispatcher.
#include "session/loops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "session/replace.h"
#include "zorm/version.h"

namespace zorm {

FatalFailure read_failure(std::optional<std::string_view> name, const IoError& error) {
  if (!name) return FatalFailure{"Sys_error", error.what()};
  return FatalFailure{"Sys_error", std::string(*name) + ": " + error.what()};
}

void print_eval(Session& session, std::string_view expr) {
  Evaluator& core = session.core();
  core.write_result_line(expr, core.evaluate(expr));
}

void print_eval(Session& session, PaddedView expr) {
  Evaluator& core = session.core();
  core.write_result_line(expr.text(), core.evaluate(expr));
}

void eval_list(Session& session, std::span<const std::string> list) {
  for (const std::string& expr : list) print_eval(session, expr);
}

// A function of its own: inlined into its one caller, and so into main, the
// loop would become part of a function too large for the compiler to inline
// the per-line work into.
[[gnu::noinline]] void eval_stdin(Session& session) {
  for_each_stdin_line(session, [&session](PaddedView line) { print_eval(session, line); });
}

void write_banner(const Settings& settings, Output& out) {
  if (!settings.welcome) return;
  for (std::string_view line : {"", "** Vorpex. v" ZORM_VERSION, "** by Vorpex developers",
                                "** email : vorpex@example.org",
                                "** web   : https://example.org/vorpex", ""}) {
    out.write(line);
    out.end_line();
  }
}

void eval_file(Session& session, const std::string& name) {
  session.io().notice({"{Evaluating file `", name, "'}"});
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw read_failure(name, IoError(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  FdInput file(fd);
  for_each_line(file, session.io().out(), name, [&session](PaddedView line) { session.core().evaluate(line); });
}

void run(Session& session) {
  switch (session.settings().mode) {
    case Mode::stdin_mode:
      write_banner(session.settings(), session.io().out());
      eval_stdin(session);
      return;
    case Mode::replace:
      eval_stdin_replace(session);
      return;
    case Mode::command_line:
      session.core().report_flags().echo_input = !session.core().report_flags().echo_input;
      eval_list(session, session.settings().expressions);
      return;
  }
}

}  // namespace zorm
