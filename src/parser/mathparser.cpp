// The evaluator's parse loop.
#include "parser/mathparser.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "parser/productions.h"
#include "parser/tables.h"
#include "util/text.h"

namespace zorm {

using tables::kActions;
using tables::kDefaultReduction;
using tables::kGotos;
using tables::kRules;

namespace {

// The action and goto tables with the unit productions that only pass a
// value on (expr -> VAL, expr -> bracketed) applied in advance: they are
// default reductions, made whatever the lookahead and without effect, so a
// shift or goto into a state that would make one lands directly where that
// reduction would go.
struct FoldedTables {
  std::int16_t actions[tables::kStateCount][tables::kTermCount] = {};
  std::int16_t gotos[tables::kStateCount][std::size(kGotos[0])] = {};

  static constexpr bool passes(int state) {
    if (state < 0 || state >= tables::kStateCount) return false;
    const int rule = kDefaultReduction[state];
    return rule >= 0 && kRules[rule].length == 1 && kRules[rule].action == tables::Action::pass_value &&
           kRules[rule].lhs != tables::NonTerm::evalf;
  }
  // Where state `from` goes on nonterminal `lhs`, past the unit reductions.
  static constexpr int go(int from, int lhs) {
    int to = kGotos[from][lhs];
    for (int i = 0; i < tables::kRuleCount && passes(to); ++i)
      to = kGotos[from][static_cast<int>(kRules[kDefaultReduction[to]].lhs)];
    return to;
  }
  constexpr FoldedTables() {
    for (int s = 0; s < tables::kStateCount; ++s) {
      for (int t = 0; t < tables::kTermCount; ++t) {
        int a = kActions[s][t];
        if (a > 0 && passes(a - 1)) a = go(s, static_cast<int>(kRules[kDefaultReduction[a - 1]].lhs)) + 1;
        actions[s][t] = static_cast<std::int16_t>(a);
      }
      for (std::size_t n = 0; n < std::size(kGotos[0]); ++n)
        gotos[s][n] = static_cast<std::int16_t>(passes(kGotos[s][n]) ? go(s, static_cast<int>(n)) : kGotos[s][n]);
    }
  }
};
constexpr FoldedTables kFolded;

// No shift or goto of the folded tables enters a state whose only action is
// a unit reduction, so the parse loop never has to make one.
constexpr bool folded_skips_unit_states() {
  for (int s = 0; s < tables::kStateCount; ++s) {
    for (int t = 0; t < tables::kTermCount; ++t)
      if (kFolded.actions[s][t] > 0 && FoldedTables::passes(kFolded.actions[s][t] - 1)) return false;
    for (std::size_t n = 0; n < std::size(kGotos[0]); ++n)
      if (FoldedTables::passes(kFolded.gotos[s][n])) return false;
  }
  return true;
}
static_assert(folded_skips_unit_states());

}  // namespace

bool Evaluator::evalf(InputBuffer& buf, double* value) {
  assert(reporter_.lexbuf().get() == &buf);
  // However the statement ends, mapped stacks go back: what is held between
  // statements stays small, and a statement that ran out of memory leaves it
  // free for the next one. (The frames, larger, are mapped first.)
  struct GiveBack {
    Block& frames;
    Block& states;
    ~GiveBack() {
      if (frames.mapped()) [[unlikely]] {
        frames.release();
        if (states.mapped()) states.release();
      }
    }
  } give_back{frames_, states_};
  if (buf.text.size() < wide_from_) return parse<Frame>(buf, value);
  return parse<WideFrame>(buf, value);
}

template <class F>
bool Evaluator::parse(InputBuffer& buf, double* value) {
  using Offset = decltype(F::start);
  // The two stacks keep their memory from one statement to the next; the
  // loop works on raw pointers and grows them when they are full.
  constexpr std::size_t kFirst = 64;
  if (states_.bytes() < kFirst * sizeof(std::int16_t) || frames_.bytes() < kFirst * sizeof(F)) {
    states_.grow(kFirst * sizeof(std::int16_t), kFirst * sizeof(std::int16_t), 0);
    frames_.grow(kFirst * sizeof(F), kFirst * sizeof(F), 0);
  }
  auto capacity = [&] {
    return std::min(states_.bytes() / sizeof(std::int16_t), frames_.bytes() / sizeof(F));
  };
  std::int16_t* states = static_cast<std::int16_t*>(states_.data());
  F* frames = static_cast<F*>(frames_.data());
  std::size_t limit = capacity() - 1;  // highest usable index
  std::size_t top = 0;                 // index of the top entry
  states[0] = 0;
  frames[0] = F{0.0, 0, 0};
  auto push = [&](int state, const F& frame) {
    if (top == limit) {
      // A deep statement: room for twice the entries is asked for, and for
      // one more when memory is too short for that. A stack that cannot grow
      // raises std::bad_alloc, and the statement fails.
      const std::size_t entries = limit + 1;
      states_.grow((entries + 1) * sizeof(std::int16_t), 2 * entries * sizeof(std::int16_t),
                   entries * sizeof(std::int16_t));
      frames_.grow((entries + 1) * sizeof(F), 2 * entries * sizeof(F), entries * sizeof(F));
      states = static_cast<std::int16_t*>(states_.data());
      frames = static_cast<F*>(frames_.data());
      limit = capacity() - 1;
    }
    ++top;
    states[top] = static_cast<std::int16_t>(state);
    frames[top] = frame;
  };
  // The lexer works on a copy of the buffer that nothing else sees, so that
  // its position stays in registers through the statement rather than going
  // to memory and back at every token.
  InputBuffer cursor = buf;
  bool have_lookahead = false;
  Tok lookahead = Tok::END;
  // The lookahead's value (a VAL's number, else 0) and span.
  double token_value = 0.0;
  Offset token_start = 0, token_end = 0;
  for (;;) {
    int rule = kDefaultReduction[states[top]];
    if (rule < 0) {
      // This state needs a lookahead.
      if (!have_lookahead) {
        double number = 0.0;
        lookahead = std::is_same_v<F, Frame> ? token(cursor, &number) : token_wide(cursor, &number);
        token_value = number;
        token_start = static_cast<Offset>(cursor.token_start);
        token_end = static_cast<Offset>(cursor.token_end);
        have_lookahead = true;
      }
      int action = kFolded.actions[states[top]][static_cast<int>(lookahead)];
      if (action > 0) {
        push(action - 1, F{token_value, token_start, token_end});
        have_lookahead = false;
        continue;
      }
      if (action == 0) {
        // Only the start state takes the error symbol, and `evalf -> error`
        // reduces at once: report at the offending token and fail.
        reporter_.complain(Span{token_start, token_end});
      }
      rule = -action;
    }
    const tables::RuleInfo& info = kRules[rule];
    std::size_t base = top + 1 - info.length;
    F* body = &frames[base];
    const Offset end = frames[top].end;
    double result;
    // The commonest productions are computed inline, every other by a call.
    if (!reduce_pure(info.action, body, &result)) {
      result = 0.0;
      if (reduce(*this, rule, body, Span{body[0].start, end}, &result) == Reduced::no_value) return false;
      if (info.lhs == tables::NonTerm::evalf) {
        *value = result;
        return true;
      }
    }
    // The body's first slot takes the result (its start is the span's start).
    body[0].value = result;
    body[0].end = end;
    top = base;
    states[top] = kFolded.gotos[states[top - 1]][static_cast<int>(info.lhs)];
  }
}

double Evaluator::eval_local_var(std::string_view name, Span span) {
  if (const double* v = vars_.find(name)) return *v;
  reporter_.complain_soft(span);
  if (reporter_.flags().print_errors) {
    const SnippetParts shown = snippet_parts(name, 15);
    reporter_.io().notice({"{Unbound variable: `", shown.head, shown.more, "'}"});
  }
  throw EvalFailure("Unbound variable");
}

}  // namespace zorm
