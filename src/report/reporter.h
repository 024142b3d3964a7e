// The evaluator's two output streams and the reporter that points at the
// failing text of a statement.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "report/failure.h"
#include "util/io.h"

namespace zorm {

// The flags that shape failure reports. Options flip them.
struct ReportFlags {
  bool print_errors = true;  // off: no report at all
  bool show_error = true;    // the caret line under the failing text
  bool echo_input = false;   // repeat the statement before the caret line
};

// The two output streams, kept in order: standard output is flushed before
// anything is written to standard error.
class Streams {
 public:
  Streams(Output& out, Output& err) : out_(&out), err_(&err) {}
  Output& out() { return *out_; }
  Output& err() { return *err_; }
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
  Output* out_;
  Output* err_;
};

// The reporter: the flags and the streams. Reports are written in pieces
// straight from the statement's text.
class Reporter {
 public:
  explicit Reporter(Streams& io) : io_(&io) {}

  ReportFlags& flags() { return flags_; }
  const ReportFlags& flags() const { return flags_; }
  Streams& io() { return *io_; }

  // Reports a failure at `span` of the statement `text` and returns.
  void complain_soft(std::string_view text, Span span);
  // Reports a syntax error at `span` of `text`, then raises "Bad expression".
  [[noreturn]] void complain(std::string_view text, Span span);

 private:
  // The caret line: `start` blanks, then end - start carets.
  void show_error(std::size_t start, std::size_t end);

  Streams* io_;
  ReportFlags flags_;
};

}  // namespace zorm
