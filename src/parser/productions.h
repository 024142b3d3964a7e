// The value and effect of every production of the grammar.
#pragma once

#include <string_view>

#include "parser/generated_tables.h"
#include "parser/parse_loop.h"

namespace zorm {

enum class Reduced { value, no_value };

// expr -> expr PLUS expr | expr MINUS expr | expr TIMES expr | expr DIV expr
// by `k`, the action's place after Action::add (0 to 3). All four are
// computed and the one wanted picked without a branch, which costs less than
// the mispredicted jump of a switch on the operator.
// Trick branchless-arithmetic; plain: a switch on k; bench: Arithmetic/branchless vs Arithmetic/plain_switch.
[[gnu::always_inline]] inline double arithmetic(unsigned k, double a, double b) {
  const double results[4] = {a + b, a - b, a * b, a / b};
  return results[k];
}

// Computes the production `rule` of the parser's statement over its body
// `rhs` (spanning `span`) and stores the value in *value, or returns
// Reduced::no_value when the statement ends without one. Failures raise
// EvalFailure or ExitRequest.
Reduced reduce(Parser& parser, int rule, const Frame* rhs, Span span, double* value);
// The same over the frames of statements of 4 GiB or more.
Reduced reduce(Parser& parser, int rule, const WideFrame* rhs, Span span, double* value);
// reduce() for the plain parse loop: a copy of its own, so that reduce()
// keeps the row-table loop as its one caller and is inlined there.
Reduced reduce_plain(Parser& parser, int rule, const WideFrame* rhs, Span span,
                     double* value);

}  // namespace zorm
