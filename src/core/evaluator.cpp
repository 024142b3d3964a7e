// The evaluator core: a statement's outcome, its result text and its line.
#include "core/evaluator.h"

#include <cmath>
#include <cstring>
#include <new>

namespace zorm {

std::size_t number_result_text(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "NaN", 3);
    return 3;
  }
  return number_text(value, out);
}

Evaluator::Evaluator(Output& out, Output& err, const CoreSettings& settings)
    : streams_(out, err),
      reporter_(streams_),
      parser_(settings.seed ? Parser(reporter_, *settings.seed) : Parser(reporter_)),
      format_(settings.format) {
  reporter_.flags() = settings.report;
  copy_.reserve(kShortStatement);
}

Outcome Evaluator::evaluate(std::string_view text) {
  try {
    copy_.assign(text);
  } catch (const std::bad_alloc&) {
    return out_of_memory();
  }
  return evaluate(copy_.view());
}

void Evaluator::failed(const EvalFailure& failure, Outcome& outcome) {
  outcome.kind = OutcomeKind::failure;
  outcome.code = failure.code();
  outcome.message = failure.what();
  outcome.has_span = failure.has_span();
  outcome.span = failure.span();
}

Outcome Evaluator::out_of_memory() {
  // The notice does not follow the print-errors flag: it reports no fault in
  // the statement's text but a limit of the machine, which the user needs to
  // know of to read the "Error." that follows.
  streams_.notice("{Out of memory}");
  Outcome outcome;
  outcome.kind = OutcomeKind::failure;
  outcome.code = FailureCode::out_of_memory;
  outcome.message = failure_message(outcome.code);
  return outcome;
}

std::string_view Evaluator::result_text(const Outcome& outcome) {
  switch (outcome.kind) {
    case OutcomeKind::number:
      return std::string_view(number_text_, number_result_text(outcome.value, number_text_));
    case OutcomeKind::no_value:
      return format_.unit_string;
    case OutcomeKind::failure:
      break;
  }
  return "Error.";
}

void Evaluator::write_result_line(std::string_view statement, const Outcome& outcome) {
  Output& out = streams_.out();
  if (outcome.kind == OutcomeKind::number && !format_.print_xp) {
    last_result_ = outcome.value;
    // The commonest line: the marker, the number's text and the line feed
    // written in place in the output buffer, without the copy through the
    // result text.
    // Trick line-in-place; plain: the result text written as any other; bench: ResultLine/in_place vs ResultLine/plain_text.
    char* line = out.room(2 + kNumberTextMax + 1);
    const std::size_t marker = format_.print_symbol ? 2 : 0;
    std::memcpy(line, "> ", 2);
    const std::size_t n = number_result_text(outcome.value, line + marker);
    if (format_.print_unit || std::string_view(line + marker, n) != format_.unit_string)
      out.commit_line(marker + n);
    return;
  }
  if (outcome.kind != OutcomeKind::no_value)
    last_result_ = outcome.kind == OutcomeKind::number ? outcome.value : std::numeric_limits<double>::quiet_NaN();
  const std::string_view text = result_text(outcome);
  if (!format_.print_unit && text == format_.unit_string) return;
  if (format_.print_xp) {
    out.write(statement);
    out.write(" = ");
    if (format_.print_newline) out.end_line();
  }
  if (format_.print_symbol) out.write("> ");
  out.write(text);
  out.end_line();
}

}  // namespace zorm
