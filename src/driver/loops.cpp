// The evaluation loops: the per-statement printer, the list and standard-input
// loops, the welcome banner, definition files and the mode dispatcher.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/session.h"
#include "util/io.h"

namespace zorm {

namespace {

// Applies fn to every line of the named file; failures to open or read it
// are fatal.
template <class Fn>
void run_on_file(Fn&& fn, const std::string& name, Output& out) {
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw FatalFailure{"Sys_error", name + ": " + std::strerror(errno)};
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  FdInput file(fd);
  LineReader lines(file, [&out] { out.flush(); });
  std::string_view line;
  for (;;) {
    try {
      if (!lines.next(line)) break;
    } catch (const IoError& e) {
      throw FatalFailure{"Sys_error", name + ": " + e.what()};
    }
    fn(line);
  }
}

}  // namespace

Session::Session(Input& in, Output& out, Output& err, std::vector<std::string> argv,
                 std::optional<std::uint64_t> seed)
    : in_(in),
      streams_(out, err),
      reporter_(streams_),
      evaluator_(seed ? Evaluator(reporter_, *seed) : Evaluator(reporter_)),
      argv_(std::move(argv)) {}

void Session::print_eval(std::string_view expr) {
  std::string_view t = str(expr);
  if (!settings_.print_unit && t == settings_.unit_string) return;
  Output& out = streams_.out();
  if (settings_.print_xp) {
    out.write(expr);
    out.write(" = ");
    if (settings_.print_newline) out.end_line();
  }
  if (settings_.print_symbol) out.write("> ");
  out.write(t);
  out.end_line();
}

void Session::eval_list(std::span<const std::string> list) {
  for (const std::string& expr : list) print_eval(expr);
}

void Session::for_each_stdin_line(const std::function<void(std::string_view)>& fn) {
  Output& out = streams_.out();
  LineReader lines(in_, [&out] { out.flush(); });
  std::string_view line;
  for (;;) {
    try {
      if (!lines.next(line)) break;
    } catch (const IoError& e) {
      throw FatalFailure{"Sys_error", e.what()};
    }
    fn(line);
  }
  streams_.notice("{End of file reached}");
}

void Session::eval_stdin() {
  for_each_stdin_line([this](std::string_view line) { print_eval(line); });
}

void Session::disp_welcome() {
  if (!settings_.welcome) return;
  Output& out = streams_.out();
  for (std::string_view line : {"", "** Vorpex. v0.1", "** by Vorpex developers",
                                "** email : vorpex@example.org",
                                "** web   : https://example.org/vorpex", ""}) {
    out.write(line);
    out.end_line();
  }
}

void Session::eval_file(const std::string& name) {
  streams_.notice("{Evaluating file `" + name + "'}");
  run_on_file([this](std::string_view line) { str(line); }, name, streams_.out());
}

void Session::run() {
  switch (settings_.mode) {
    case Mode::stdin_mode:
      disp_welcome();
      eval_stdin();
      return;
    case Mode::replace:
      eval_stdin_replace();
      return;
    case Mode::command_line:
      flags().echo_input = !flags().echo_input;
      eval_list(settings_.expressions);
      return;
  }
}

}  // namespace zorm
