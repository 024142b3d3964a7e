// The session's evaluation entry point: str, the result text of a statement.
#include <cmath>
#include <new>

#include "driver/session.h"
#include "util/soff.h"

namespace zorm {

bool Session::evaluate(PaddedView text, double* value) {
  buffer_ = InputBuffer(text);
  reporter_.lexbuf().set(&buffer_);
  return evaluator_.evalf(buffer_, value);
}

std::string_view Session::str(std::string_view text) {
  try {
    copy_.assign(text);
  } catch (const std::bad_alloc&) {
    return out_of_memory();
  }
  return str(copy_.view());
}

std::string_view Session::str(PaddedView text) {
  double value = 0.0;
  try {
    if (!evaluate(text, &value)) return settings_.unit_string;
  } catch (const EvalFailure&) {
    return "Error.";
  } catch (const std::bad_alloc&) {
    return out_of_memory();
  }
  if (std::isnan(value)) return "NaN";
  return std::string_view(number_text_, soff(value, number_text_));
}

std::string_view Session::out_of_memory() {
  // The statement ran out of memory: what it held went back as the failure
  // left it, and it fails alone. The notice does not follow the print-errors
  // flag: it reports no fault in the statement's text but a limit of the
  // machine, which the user needs to know of to read the "Error." that
  // follows.
  streams_.notice("{Out of memory}");
  return "Error.";
}

}  // namespace zorm
