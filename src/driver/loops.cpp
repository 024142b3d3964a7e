// The evaluation loops: the per-statement printer, the list and standard-input
// loops, the welcome banner, definitions files and the mode dispatcher.
#include "driver/loops.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/replace.h"
#include "zorm/version.h"

namespace zorm {

FatalFailure read_failure(std::optional<std::string_view> name, const IoError& error) {
  if (!name) return FatalFailure{"Sys_error", error.what()};
  return FatalFailure{"Sys_error", std::string(*name) + ": " + error.what()};
}

namespace {

// print_eval's output for the statement expr, which ended as `outcome`.
void print_outcome(Session& session, std::string_view expr, Outcome outcome, double value) {
  const Settings& settings = session.settings();
  Output& out = session.io().out();
  if (outcome == Outcome::number && !settings.print_xp) {
    // The commonest line: the marker and the number's text are written in
    // place in the output buffer, and the line feed after them, rather than
    // made in the session's text and copied: 2,973 to 2,941 instructions an
    // arith line, 0.93 of the CPU time (bench/compare.py, 20 paired rounds).
    char* line = out.room(2 + kSoffMax + 1);
    const std::size_t marker = settings.print_symbol ? 2 : 0;
    std::memcpy(line, "> ", 2);
    const std::size_t n = number_result_text(value, line + marker);
    if (settings.print_unit || std::string_view(line + marker, n) != settings.unit_string) out.commit_line(marker + n);
    return;
  }
  const std::string_view t = session.result_text(outcome, value);
  if (!settings.print_unit && t == settings.unit_string) return;
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

void print_eval(Session& session, std::string_view expr) {
  double value = 0.0;
  const Outcome outcome = session.evaluate(expr, &value);
  print_outcome(session, expr, outcome, value);
}

void print_eval(Session& session, PaddedView expr) {
  double value = 0.0;
  const Outcome outcome = session.evaluate(expr, &value);
  print_outcome(session, expr.text(), outcome, value);
}

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
