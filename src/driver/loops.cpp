// The evaluation loops: the per-statement printer, the list and standard-input
// loops, the welcome banner, definitions files and the mode dispatcher.
#include "driver/loops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "driver/replace.h"

namespace zorm {

FatalFailure read_failure(std::optional<std::string_view> name, const IoError& error) {
  if (!name) return FatalFailure{"Sys_error", error.what()};
  return FatalFailure{"Sys_error", std::string(*name) + ": " + error.what()};
}

namespace {

// print_eval's output for the statement expr with result text t.
void print_result(Session& session, std::string_view expr, std::string_view t) {
  const Settings& settings = session.settings();
  if (!settings.print_unit && t == settings.unit_string) return;
  Output& out = session.io().out();
  if (settings.print_xp) {
    out.write(expr);
    out.write(" = ");
    if (settings.print_newline) out.end_line();
  }
  if (settings.print_symbol) out.write("> ");
  out.write(t);
  out.end_line();
}

}  // namespace

void print_eval(Session& session, std::string_view expr) { print_result(session, expr, session.str(expr)); }

void print_eval(Session& session, PaddedView expr) { print_result(session, expr.text(), session.str(expr)); }

void eval_list(Session& session, std::span<const std::string> list) {
  for (const std::string& expr : list) print_eval(session, expr);
}

// A function of its own: inlined into its one caller, and so into main, the
// loop becomes part of a function too large for the compiler to inline the
// per-line work into (callgrind on 20,000 lines: 1 instruction a line more
// for arithmetic, 12 for variables).
[[gnu::noinline]] void eval_stdin(Session& session) {
  for_each_stdin_line(session, [&session](PaddedView line) { print_eval(session, line); });
}

void disp_welcome(const Settings& settings, Output& out) {
  if (!settings.welcome) return;
  for (std::string_view line : {"", "** Vorpex. v0.1", "** by Vorpex developers",
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
  for_each_line(file, session.io().out(), name, [&session](PaddedView line) { session.str(line); });
}

void run(Session& session) {
  switch (session.settings().mode) {
    case Mode::stdin_mode:
      disp_welcome(session.settings(), session.io().out());
      eval_stdin(session);
      return;
    case Mode::replace:
      eval_stdin_replace(session);
      return;
    case Mode::command_line:
      session.flags().echo_input = !session.flags().echo_input;
      eval_list(session, session.settings().expressions);
      return;
  }
}

}  // namespace zorm
