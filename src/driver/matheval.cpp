// The session's evaluation entry point: str, the result text of a statement.
#include <cmath>
#include <cstring>
#include <new>

#include "driver/session.h"
#include "util/soff.h"

namespace zorm {

bool Session::parse_statement(PaddedView text, double* value) {
  buffer_ = InputBuffer(text);
  reporter_.lexbuf().set(&buffer_);
  return evaluator_.evalf(buffer_, value);
}

Outcome Session::evaluate(std::string_view text, double* value) {
  try {
    copy_.assign(text);
  } catch (const std::bad_alloc&) {
    return out_of_memory();
  }
  return evaluate(copy_.view(), value);
}

Outcome Session::evaluate(PaddedView text, double* value) {
  try {
    return parse_statement(text, value) ? Outcome::number : Outcome::no_value;
  } catch (const EvalFailure& f) {
    failure_ = f.what();
    return Outcome::failed;
  } catch (const std::bad_alloc&) {
    return out_of_memory();
  }
}

Outcome Session::out_of_memory() {
  // The statement ran out of memory: what it held went back as the failure
  // left it, and it fails alone. The notice does not follow the print-errors
  // flag: it reports no fault in the statement's text but a limit of the
  // machine, which the user needs to know of to read the "Error." that
  // follows.
  failure_ = "Out of memory";
  streams_.notice("{Out of memory}");
  return Outcome::failed;
}

std::size_t number_result_text(double value, char* out) {
  if (std::isnan(value)) {
    std::memcpy(out, "NaN", 3);
    return 3;
  }
  return soff(value, out);
}

std::string_view Session::result_text(Outcome outcome, double value) {
  switch (outcome) {
    case Outcome::number:
      return std::string_view(number_text_, number_result_text(value, number_text_));
    case Outcome::no_value:
      return settings_.unit_string;
    case Outcome::failed:
      break;
  }
  return "Error.";
}

std::string_view Session::str(std::string_view text) {
  double value = 0.0;
  const Outcome outcome = evaluate(text, &value);
  return result_text(outcome, value);
}

std::string_view Session::str(PaddedView text) {
  double value = 0.0;
  const Outcome outcome = evaluate(text, &value);
  return result_text(outcome, value);
}

}  // namespace zorm
