// State shared by the driver and the evaluator: the failures, the reporting
// flags, the current-buffer cell, and the reporter that points at failing text.
#pragma once

#include <cstddef>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "lexer/mathlexer.h"
#include "util/global.h"
#include "util/io.h"

namespace zorm {

// A statement that yields no value (raised by the evaluation entry `raw`).
struct Unit {
  static constexpr std::string_view kName = "Mathcommon.Unit";
};

// Any failure of a statement: syntax, lexing, unbound names, the factorial.
// Its message is a fixed text, so that raising it allocates nothing: a
// statement fails the same way when memory has run out.
class EvalFailure : public std::exception {
 public:
  explicit EvalFailure(const char* message) : message_(message) {}
  const char* what() const noexcept override { return message_; }

 private:
  const char* message_;
};

// The exit command: ends the process with status 0 once output is flushed.
struct ExitRequest {};

// A span of the statement text, [start, end).
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
};

// The flags that shape failure reports. Options flip them.
struct ReportFlags {
  bool print_errors = true;  // off: no report at all
  bool show_error = true;    // the caret line under the failing text
  bool echo_input = false;   // repeat the statement before the caret line
};

// The session's two output streams, kept in order: standard output is flushed
// before anything is written to standard error.
class Streams {
 public:
  Streams(Output& out, Output& err) : out_(out), err_(err) {}
  Output& out() { return out_; }
  Output& err() { return err_; }
  // Writes one notice line (a line feed is added) to standard error, flushed.
  // Like every report, it allocates nothing.
  void notice(std::string_view line) { notice({line}); }
  // A notice line written in parts.
  void notice(std::initializer_list<std::string_view> parts);
  // A notice line written piece by piece: begin_notice flushes standard
  // output and returns standard error, end_notice ends the line and flushes.
  Output& begin_notice();
  void end_notice();

 private:
  Output& out_;
  Output& err_;
};

// The reporter: the flags, the current-buffer cell and the streams.
class Reporter {
 public:
  explicit Reporter(Streams& io) : io_(io) {}

  ReportFlags& flags() { return flags_; }
  Global<const InputBuffer*>& lexbuf() { return lexbuf_; }
  Streams& io() { return io_; }

  // The caret line: `start` blanks, then end - start carets.
  void show_error(std::size_t start, std::size_t end);
  // Reports a failure at `span` of the current statement and returns.
  void complain_soft(Span span);
  // Reports a syntax error at `span`, then raises "Bad expression".
  [[noreturn]] void complain(Span span);

 private:
  Streams& io_;
  ReportFlags flags_;
  Global<const InputBuffer*> lexbuf_{"the lexbuf"};
};

}  // namespace zorm
