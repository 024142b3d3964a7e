// The evaluator's parse loop.
#include "parser/mathparser.h"

#include <string>

#include "parser/productions.h"
#include "parser/tables.h"
#include "util/text.h"

namespace zorm {

using tables::kActions;
using tables::kDefaultReduction;
using tables::kGotos;
using tables::kRules;

bool Evaluator::evalf(InputBuffer& buf, double* value) {
  buf_ = &buf;
  // The two stacks live in the vectors, which keep their size from one
  // statement to the next; the loop works on raw pointers and doubles the
  // vectors when they are full.
  if (states_.size() < 64) {
    states_.resize(64);
    frames_.resize(64);
  }
  std::int16_t* states = states_.data();
  Frame* frames = frames_.data();
  std::size_t limit = states_.size() - 1;  // highest usable index
  std::size_t top = 0;                     // index of the top entry
  states[0] = 0;
  frames[0] = Frame{0.0, 0, 0};
  auto push = [&](int state, const Frame& frame) {
    if (top == limit) {
      // A deep statement: room for eight times more is reserved ahead, which
      // costs address space only until it is used, so that the stacks are
      // seldom copied on their way up.
      const std::size_t size = states_.size() * 2;
      if (frames_.capacity() < size) {
        states_.reserve(size * 8);
        frames_.reserve(size * 8);
      }
      states_.resize(size);
      frames_.resize(size);
      states = states_.data();
      frames = frames_.data();
      limit = states_.size() - 1;
    }
    ++top;
    states[top] = static_cast<std::int16_t>(state);
    frames[top] = frame;
  };
  bool have_lookahead = false;
  Tok lookahead = Tok::END;
  Frame token_frame{0.0, 0, 0};
  for (;;) {
    int rule = kDefaultReduction[states[top]];
    if (rule < 0) {
      // This state needs a lookahead.
      if (!have_lookahead) {
        token_frame.value = 0.0;
        lookahead = token(buf, &token_frame.value);
        token_frame.start = buf.token_start;
        token_frame.end = buf.token_end;
        have_lookahead = true;
      }
      int action = kActions[states[top]][static_cast<int>(lookahead)];
      if (action > 0) {
        push(action - 1, token_frame);
        have_lookahead = false;
        continue;
      }
      if (action == 0) {
        // Only the start state takes the error symbol, and `evalf -> error`
        // reduces at once: report at the offending token and fail.
        reporter_.complain(Span{token_frame.start, token_frame.end});
      }
      rule = -action;
    }
    const tables::RuleInfo& info = kRules[rule];
    if (info.length == 1 && info.action == tables::Action::pass_value) {
      // expr -> VAL | bracketed: the symbol keeps its value and its span.
      states[top] = kGotos[states[top - 1]][static_cast<int>(info.lhs)];
      continue;
    }
    std::size_t base = top + 1 - info.length;
    Frame* body = &frames[base];
    const std::size_t end = frames[top].end;
    double result;
    switch (info.action) {
      // The commonest productions are computed here without a call; reduce()
      // computes every production the same way.
      case tables::Action::add:
        result = body[0].value + body[2].value;
        break;
      case tables::Action::subtract:
        result = body[0].value - body[2].value;
        break;
      case tables::Action::multiply:
        result = body[0].value * body[2].value;
        break;
      case tables::Action::divide:
        result = body[0].value / body[2].value;
        break;
      case tables::Action::inner:
        result = body[1].value;
        break;
      case tables::Action::negate:
        result = -body[1].value;
        break;
      default:
        result = 0.0;
        if (reduce(*this, rule, body, Span{body[0].start, end}, &result) == Reduced::no_value)
          return false;
        if (info.lhs == tables::NonTerm::evalf) {
          *value = result;
          return true;
        }
    }
    // The body's first slot takes the result (its start is the span's start).
    body[0].value = result;
    body[0].end = end;
    top = base;
    states[top] = kGotos[states[top - 1]][static_cast<int>(info.lhs)];
  }
}

double Evaluator::eval_local_var(std::string_view name, Span span) {
  if (const double* v = vars_.find(name)) return *v;
  reporter_.complain_soft(span);
  if (reporter_.flags().print_errors)
    reporter_.io().notice("{Unbound variable: `" + snippet(name, 15) + "'}");
  throw EvalFailure("Unbound variable");
}

}  // namespace zorm
