// The plain LALR(1) loop over the generated tables: the twin of the row-table
// loop (parse_loop.cpp), which must give the same values, effects and reports.
#include <vector>

#include "lexer/lexer.h"
#include "parser/parse_loop.h"
#include "parser/productions.h"

namespace zorm {

// Every rule has a body: a reduction's first frame takes its result.
constexpr bool no_empty_rules() {
  for (const tables::RuleInfo& r : tables::kRules)
    if (r.length == 0) return false;
  return true;
}
static_assert(no_empty_rules());

bool Parser::parse_plain(PaddedView text, double* value) {
  using F = WideFrame;
  using Offset = decltype(F::start);
  statement_ = text.text();
  std::vector<int> states{0};
  std::vector<F> frames{F{0.0, 0, 0}};
  std::size_t pos = 0;
  bool held = false;  // whether `token` holds the lookahead
  int lookahead = 0;
  F token{0.0, 0, 0};
  for (;;) {
    const int state = states.back();
    int rule = tables::kDefaultReduction[state];
    if (rule < 0) {
      // The state needs a lookahead.
      if (!held) {
        double number = 0.0;
        std::size_t start = 0;
        lookahead = static_cast<int>(scan_wide(text, pos, start, &number));
        token = F{number, static_cast<Offset>(start), static_cast<Offset>(pos)};
        held = true;
      }
      const int action = tables::kActions[state][lookahead];
      if (action > 0) {
        states.push_back(action - 1);
        frames.push_back(token);
        held = false;
        continue;
      }
      if (action == 0) reporter_->complain(statement_, Span{token.start, token.end});
      rule = -action;
    }
    const tables::RuleInfo& info = tables::kRules[rule];
    const std::size_t base = frames.size() - info.length;
    const Offset end = frames.back().end;
    double result = 0.0;
    if (reduce_plain(*this, rule, &frames[base], Span{frames[base].start, end}, &result) == Reduced::no_value)
      return false;
    if (info.lhs == tables::NonTerm::evalf) {
      *value = result;
      return true;
    }
    frames.resize(base + 1);
    frames[base].value = result;
    frames[base].end = end;
    states.resize(base);
    states.push_back(tables::kGotos[states.back()][static_cast<int>(info.lhs)]);
  }
}

}  // namespace zorm
