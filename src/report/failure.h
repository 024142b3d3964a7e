// How a statement fails: the evaluation failure with its message and the
// span of the failing text, and the exit command's request to end the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

namespace zorm {

// How a statement fails, one code for each message. The numbers are those of
// the library's interfaces (zorm/zorm.h, zorm/zorm_c.h), which are checked
// against these.
enum class FailureCode : std::uint8_t {
  none,
  syntax,            // "Bad expression"
  unbound_variable,  // "Unbound variable"
  lexical,           // "lexing: empty token": no token can be formed
  bad_number,        // "float_of_string": the number text "."
  domain,            // "factorial: argument must be a natural number"
  too_big,           // "Factorial: Too big!"
  out_of_memory,     // "Out of memory"
  output,            // "Output failed": a stream of the library's embedder failed
};

// The message of a failure: a fixed text ("" for none).
constexpr const char* failure_message(FailureCode code) {
  switch (code) {
    case FailureCode::none:
      break;
    case FailureCode::syntax:
      return "Bad expression";
    case FailureCode::unbound_variable:
      return "Unbound variable";
    case FailureCode::lexical:
      return "lexing: empty token";
    case FailureCode::bad_number:
      return "float_of_string";
    case FailureCode::domain:
      return "factorial: argument must be a natural number";
    case FailureCode::too_big:
      return "Factorial: Too big!";
    case FailureCode::out_of_memory:
      return "Out of memory";
    case FailureCode::output:
      return "Output failed";
  }
  return "";
}

// A span of the statement text, [start, end), in bytes.
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
  bool operator==(const Span&) const = default;
};

// Any failure of a statement: syntax, lexing, unbound names, the factorial.
// Its message is its code's fixed text, so that raising it allocates
// nothing: a statement fails the same way when memory has run out. The span
// is that of the failing text, where the failure has one.
class EvalFailure : public std::exception {
 public:
  explicit EvalFailure(FailureCode code) : code_(code) {}
  EvalFailure(FailureCode code, Span span) : code_(code), span_(span), has_span_(true) {}
  const char* what() const noexcept override { return failure_message(code_); }
  FailureCode code() const noexcept { return code_; }
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
  FailureCode code_;
  Span span_;
  bool has_span_ = false;
};

// The exit command: ends the run with status 0 once output is flushed.
struct ExitRequest {};

}  // namespace zorm
