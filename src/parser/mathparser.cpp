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
  states_.clear();
  frames_.clear();
  states_.push_back(0);
  frames_.push_back(Frame{0.0, 0, 0});
  bool have_lookahead = false;
  Tok lookahead = Tok::END;
  Frame token_frame{0.0, 0, 0};
  for (;;) {
    int rule = kDefaultReduction[states_.back()];
    if (rule < 0) {
      // This state needs a lookahead.
      if (!have_lookahead) {
        token_frame.value = 0.0;
        lookahead = token(buf, &token_frame.value);
        token_frame.start = buf.token_start;
        token_frame.end = buf.token_end;
        have_lookahead = true;
      }
      int action = kActions[states_.back()][static_cast<int>(lookahead)];
      if (action > 0) {
        states_.push_back(static_cast<std::int16_t>(action - 1));
        frames_.push_back(token_frame);
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
    std::size_t base = frames_.size() - info.length;
    Span span{frames_[base].start, frames_.back().end};
    double result = 0.0;
    if (reduce(*this, rule, &frames_[base], span, &result) == Reduced::no_value) return false;
    if (info.lhs == tables::NonTerm::evalf) {
      *value = result;
      return true;
    }
    frames_.resize(base);
    states_.resize(base);
    states_.push_back(kGotos[states_.back()][static_cast<int>(info.lhs)]);
    frames_.push_back(Frame{result, span.start, span.end});
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
