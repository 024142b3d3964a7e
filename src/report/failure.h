// How a statement fails: the evaluation failure with its message and the
// span of the failing text, and the exit command's request to end the run.
#pragma once

#include <cstddef>
#include <exception>

namespace zorm {

// A span of the statement text, [start, end), in bytes.
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
  bool operator==(const Span&) const = default;
};

// Any failure of a statement: syntax, lexing, unbound names, the factorial.
// Its message is a fixed text, so that raising it allocates nothing: a
// statement fails the same way when memory has run out. The span is that of
// the failing text, where the failure has one.
class EvalFailure : public std::exception {
 public:
  explicit EvalFailure(const char* message) : message_(message) {}
  EvalFailure(const char* message, Span span) : message_(message), span_(span), has_span_(true) {}
  const char* what() const noexcept override { return message_; }
  bool has_span() const noexcept { return has_span_; }
  Span span() const noexcept { return span_; }
  // Gives the failure the span of the production that raised it, unless it
  // has a narrower one already.
  void locate(Span span) noexcept {
    if (has_span_) return;
    span_ = span;
    has_span_ = true;
  }

 private:
  const char* message_;
  Span span_;
  bool has_span_ = false;
};

// The exit command: ends the run with status 0 once output is flushed.
struct ExitRequest {};

}  // namespace zorm
