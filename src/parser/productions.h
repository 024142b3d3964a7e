// The value and effect of every production of the grammar.
#pragma once

#include "lexer/mathcommon.h"
#include "parser/mathparser.h"

namespace zorm {

enum class Reduced { value, no_value };

// Computes the production `rule` over its body `rhs` (spanning `span`) and
// stores the value in *value, or returns Reduced::no_value when the statement
// ends without one. Failures raise EvalFailure or ExitRequest.
Reduced reduce(Evaluator& ev, int rule, const Frame* rhs, Span span, double* value);
// The same over the frames of statements of 4 GiB or more.
Reduced reduce(Evaluator& ev, int rule, const WideFrame* rhs, Span span, double* value);

}  // namespace zorm
