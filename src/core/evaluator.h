// The evaluator core beneath the program and the library: one statement in,
// its outcome, its result text and its result line out, with the reports and
// the output it writes on the way. It holds all of the evaluator's state (the
// streams, the reporter, the grammar's state with the variables, the result
// format); the faces (session/, api/) add what only they need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "parser/parse_loop.h"
#include "report/failure.h"
#include "report/reporter.h"
#include "util/io.h"
#include "util/number_text.h"
#include "util/padded.h"

namespace zorm {

// How a statement ended: with a number, without a value, or in a failure
// (whose reports and notices have been written).
enum class OutcomeKind : std::uint8_t { number, no_value, failure };

struct Outcome {
  OutcomeKind kind = OutcomeKind::no_value;
  FailureCode code = FailureCode::none;  // failure: what failed
  double value = 0.0;                    // number
  const char* message = "";              // failure: the code's message, "Bad expression", ...
  bool has_span = false;                 // failure: whether `span` holds the failing text
  Span span;
};

// How results are printed: the result line is the statement and " = " first
// (print_xp; with print_newline a line break after them), the result marker
// "> " (print_symbol), then the result text and a line feed; a result whose
// text equals the unit string is printed only with print_unit.
struct ResultFormat {
  bool print_xp = false;
  bool print_newline = false;
  bool print_unit = false;
  bool print_symbol = true;
  std::string unit_string = "()";  // the result text of a statement without value
};

// What the core is made with. Without a seed the random generator is seeded
// from the time of day and the process ids.
struct CoreSettings {
  ResultFormat format;
  ReportFlags report;
  std::optional<std::uint64_t> seed;
};

// The result text of a number: "NaN" for any NaN, else number_text's. Writes
// into out (kNumberTextMax bytes) and returns the length.
std::size_t number_result_text(double value, char* out);

class Evaluator {
 public:
  Evaluator(Output& out, Output& err, const CoreSettings& settings = {});
  Evaluator(const Evaluator&) = delete;
  Evaluator& operator=(const Evaluator&) = delete;

  // Evaluates one statement. A statement that runs out of memory fails alone
  // with "Out of memory", after the notice "{Out of memory}", and what it
  // held goes back. The exit command raises ExitRequest.
  Outcome evaluate(std::string_view text);
  // The same for padded text (a line from the line reader), evaluated where
  // it lies rather than copied. Inline: the per-line loops take it into
  // their own bodies.
  Outcome evaluate(PaddedView text) {
    Outcome outcome;
    try {
      if (parser_.parse(text, &outcome.value)) outcome.kind = OutcomeKind::number;
    } catch (const EvalFailure& f) {
      failed(f, outcome);
    } catch (const std::bad_alloc&) {
      return out_of_memory();
    }
    return outcome;
  }

  // The result text of an outcome: the number's text, "NaN", the unit string
  // or "Error."; valid until the next call.
  std::string_view result_text(const Outcome& outcome);
  // Writes the result line of `statement`, which ended as `outcome`, to the
  // output (see ResultFormat).
  void write_result_line(std::string_view statement, const Outcome& outcome);
  // The number of the last result line written: NaN when none has been, or
  // when the statement last written failed; statements without value leave
  // it as it was. The terminal offers it for the next statement.
  double last_result() const { return last_result_; }

  // Makes room for statements of up to `bytes` given without padding, so that
  // evaluating them needs no allocation for their copy. Raises std::bad_alloc.
  void reserve_statement(std::size_t bytes) { copy_.reserve(bytes); }

  // Gives back what a large statement took, when its copy or the parse
  // stacks hold more than `bytes`: the copy goes back to room for short
  // statements, the stacks to nothing. The program keeps what it made room
  // for; the library gives memory back after every statement.
  void give_back(std::size_t bytes) noexcept {
    if (copy_.room() > bytes) copy_.shrink(kShortStatement);
    parser_.give_back_stacks(bytes);
  }

  ResultFormat& format() { return format_; }
  const ResultFormat& format() const { return format_; }
  ReportFlags& report_flags() { return reporter_.flags(); }
  Streams& io() { return streams_; }
  Parser& parser() { return parser_; }
  const Parser& parser() const { return parser_; }

 private:
  static void failed(const EvalFailure& failure, Outcome& outcome);
  Outcome out_of_memory();

  Streams streams_;
  Reporter reporter_;
  Parser parser_;
  ResultFormat format_;
  // The copy of a statement given without padding, with room made at the
  // start for statements of up to 4 KiB, which then never allocate (they
  // are evaluated also when memory has run out).
  static constexpr std::size_t kShortStatement = 4096;
  PaddedString copy_;
  char number_text_[kNumberTextMax] = {};
  double last_result_ = std::numeric_limits<double>::quiet_NaN();
};

}  // namespace zorm
