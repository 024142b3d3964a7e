// The value and effect of every production of the grammar.
#pragma once

#include "lexer/mathcommon.h"
#include "parser/mathparser.h"
#include "parser/tables.h"

namespace zorm {

enum class Reduced { value, no_value };

// expr -> expr PLUS expr | expr MINUS expr | expr TIMES expr | expr DIV expr
// by `k`, the action's place after Action::add (0 to 3). All four are
// computed and the one wanted picked without a branch, which costs less than
// a mispredicted jump: a switch took 1.3 % fewer instructions but 4 % to 7 %
// more CPU time on the arith lines (bench/compare.py, 12 and 20 paired
// rounds).
[[gnu::always_inline]] inline double arithmetic(unsigned k, double a, double b) {
  const double results[4] = {a + b, a - b, a * b, a / b};
  return results[k];
}

// The productions that only compute a value from their body, with no effect
// and no failure. They are the commonest, so the parse loop computes them
// inline through this function before it calls reduce(), which computes them
// through it too. Stores the value and returns true for those productions;
// returns false for every other.
template <class F>
[[gnu::always_inline]] inline bool reduce_pure(tables::Action action, const F* rhs, double* value) {
  using tables::Action;
  // expr -> expr PLUS expr | expr MINUS expr | expr TIMES expr | expr DIV expr
  static_assert(static_cast<int>(Action::subtract) == static_cast<int>(Action::add) + 1 &&
                static_cast<int>(Action::multiply) == static_cast<int>(Action::add) + 2 &&
                static_cast<int>(Action::divide) == static_cast<int>(Action::add) + 3);
  const unsigned k = static_cast<unsigned>(action) - static_cast<unsigned>(Action::add);
  if (k < 4) {
    *value = arithmetic(k, rhs[0].value, rhs[2].value);
  } else {
    switch (action) {
      // bracketed -> LPAR expr RPAR | LBRA expr RBRA | LCUR expr RCUR
      case Action::inner:
        *value = rhs[1].value;
        break;
      // expr -> MINUS expr
      case Action::negate:
        *value = -rhs[1].value;
        break;
      default:
        return false;
    }
  }
  return true;
}

// Computes the production `rule` over its body `rhs` (spanning `span`) and
// stores the value in *value, or returns Reduced::no_value when the statement
// ends without one. Failures raise EvalFailure or ExitRequest.
Reduced reduce(Evaluator& ev, int rule, const Frame* rhs, Span span, double* value);
// The same over the frames of statements of 4 GiB or more.
Reduced reduce(Evaluator& ev, int rule, const WideFrame* rhs, Span span, double* value);

}  // namespace zorm
