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

// The folded tables as the parse loop reads them: one row of cells a state,
// holding its actions on the tokens, its action when no lookahead is held
// (column kNone) and its gotos, and a state known by the offset of its row.
// Against the plain loop over the generated tables (the default-reduction
// probe, then a multiply for the two-dimensional action lookup, one shift or
// reduction a step) it saves the multiplies, folds the probe and the test
// for a held lookahead into the one lookup, and makes a shift into a state
// whose only action is one reduction (a closing bracket, the end of the
// statement) a single step. Made with the lexer's position and the stacks'
// tops in registers, the whole took the program from 3,584 to 2,973
// instructions an arith line (callgrind, first 20,000 lines) and to 0.90 of
// its CPU time (bench/compare.py, 20 paired rounds).
//
// A cell is, on a token: the row of the state a shift goes to, which reads
// its lookahead at once; -(rule + kShiftReduce) for a shift into a state
// that then reduces by `rule` whatever follows, which the loop does without
// entering it, except kClose when that reduction is a bracket's (the
// closing bracket); -(kArithmetic + k) for a reduction by one of the four
// arithmetic rules (k as `arithmetic` takes it); -rule for any other
// reduction; 0 for an error. In column kNone: the state's reduction that
// needs no lookahead, or 0 when it needs one (read it and look again).
// States with such a reduction make it on every token.
struct RowTables {
  static constexpr int kNone = tables::kTermCount;
  static constexpr int kGotoColumn = kNone + 1;
  static constexpr int kNonTermCount = static_cast<int>(std::size(kGotos[0]));
  static constexpr int kWidth = kGotoColumn + kNonTermCount;
  static constexpr int kShiftReduce = 128;
  static constexpr int kArithmetic = 256;
  static constexpr int kClose = -255;
  static_assert(tables::kRuleCount < kShiftReduce && (tables::kStateCount - 1) * kWidth <= std::numeric_limits<std::int16_t>::max());

  // The place of an arithmetic rule's action after Action::add, or -1.
  static constexpr int arithmetic_of(int rule) {
    const int k = static_cast<int>(kRules[rule].action) - static_cast<int>(tables::Action::add);
    return k >= 0 && k < 4 ? k : -1;
  }
  // A reduction's cell.
  static constexpr int reduction(int rule) {
    return arithmetic_of(rule) >= 0 ? -(kArithmetic + arithmetic_of(rule)) : -rule;
  }

  std::int16_t cells[tables::kStateCount * kWidth] = {};

  static constexpr int row(int state) { return state * kWidth; }
  constexpr RowTables() {
    for (int s = 0; s < tables::kStateCount; ++s) {
      std::int16_t* r = &cells[row(s)];
      const int always = kDefaultReduction[s];
      for (int t = 0; t < tables::kTermCount; ++t) {
        const int a = kFolded.actions[s][t];
        int cell = a;
        if (always >= 0) {
          cell = reduction(always);
        } else if (a > 0) {
          const int to = a - 1;
          const int then = kDefaultReduction[to];
          cell = then < 0 ? row(to)
                 : kRules[then].action == tables::Action::inner ? kClose
                                                                : -(then + kShiftReduce);
        } else if (a < 0) {
          cell = reduction(-a);
        }
        r[t] = static_cast<std::int16_t>(cell);
      }
      r[kNone] = static_cast<std::int16_t>(always >= 0 ? reduction(always) : 0);
      for (int n = 0; n < kNonTermCount; ++n)
        r[kGotoColumn + n] = static_cast<std::int16_t>(kFolded.gotos[s][n] < 0 ? -1 : row(kFolded.gotos[s][n]));
    }
  }
};
constexpr RowTables kRows;

// A shift never goes to the start state, whose row (0) would read as no
// shift; the only state that reduces by the accepting rule 0, which would
// read as an error, is the one after evalf, never entered (the loop returns
// on reducing evalf).
constexpr bool rows_are_unambiguous() {
  for (int s = 0; s < tables::kStateCount; ++s)
    for (int t = 0; t < tables::kTermCount; ++t)
      if (kFolded.actions[s][t] == 1) return false;
  for (int s = 0; s < tables::kStateCount; ++s)
    if (kDefaultReduction[s] == 0 && s != kFolded.gotos[0][static_cast<int>(tables::NonTerm::evalf)]) return false;
  return true;
}
static_assert(rows_are_unambiguous());

// The arithmetic rules are all expr -> expr OP expr, which the loop reduces
// without their RuleInfo; none is made by a shift-and-reduce (their states
// read a lookahead for precedence).
constexpr bool arithmetic_rules_are_binary() {
  for (int r = 0; r < tables::kRuleCount; ++r) {
    if (RowTables::arithmetic_of(r) < 0) continue;
    if (kRules[r].length != 3 || kRules[r].lhs != tables::NonTerm::expr) return false;
    for (int s = 0; s < tables::kStateCount; ++s)
      if (kDefaultReduction[s] == r) return false;
  }
  return true;
}
static_assert(arithmetic_rules_are_binary());

// The bracket rules are all bracketed -> open expr close, and are made only
// by a shift-and-reduce of the closing bracket: only states that make one of
// them whatever follows make them, and those are entered by no goto.
constexpr bool bracket_rules_close() {
  for (int r = 0; r < tables::kRuleCount; ++r) {
    if (kRules[r].action != tables::Action::inner) continue;
    if (kRules[r].length != 3 || kRules[r].lhs != tables::NonTerm::bracketed) return false;
  }
  for (int s = 0; s < tables::kStateCount; ++s) {
    for (int t = 0; t < tables::kTermCount; ++t) {
      const int a = kFolded.actions[s][t];
      if (a < 0 && kRules[-a].action == tables::Action::inner && kDefaultReduction[s] != -a) return false;
    }
    for (int n = 0; n < RowTables::kNonTermCount; ++n) {
      const int to = kFolded.gotos[s][n];
      if (to >= 0 && kDefaultReduction[to] >= 0 && kRules[kDefaultReduction[to]].action == tables::Action::inner)
        return false;
    }
  }
  return true;
}
static_assert(bracket_rules_close());

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
void Evaluator::grow_stacks(std::size_t entries) {
  // Room for twice the entries is asked for, and for one more when memory
  // is too short for that. A stack that cannot grow raises std::bad_alloc,
  // and the statement fails.
  states_.grow((entries + 1) * sizeof(std::int16_t), 2 * entries * sizeof(std::int16_t),
               entries * sizeof(std::int16_t));
  frames_.grow((entries + 1) * sizeof(F), 2 * entries * sizeof(F), entries * sizeof(F));
}

template <class F>
bool Evaluator::parse(InputBuffer& buf, double* value) {
  using Offset = decltype(F::start);
  // The two stacks keep their memory from one statement to the next; the
  // loop works on raw pointers to their tops and grows them when they are
  // full.
  constexpr std::size_t kFirst = 64;
  if (states_.bytes() < kFirst * sizeof(std::int16_t) || frames_.bytes() < kFirst * sizeof(F)) {
    states_.grow(kFirst * sizeof(std::int16_t), kFirst * sizeof(std::int16_t), 0);
    frames_.grow(kFirst * sizeof(F), kFirst * sizeof(F), 0);
  }
  // The tops of the two stacks, which move together: the top frame and its
  // state (a row of kRows), and the last entry the stacks have room for;
  // one bound test a token instead of one a push. 2,941 to 2,841 instructions
  // an arith line, but no CPU time measurably saved (1.00 and 1.02 of it in
  // two sessions of paired rounds).
  F* top = static_cast<F*>(frames_.data());
  std::int16_t* state = static_cast<std::int16_t*>(states_.data());
  auto room_up_to = [&] {
    const std::size_t entries = std::min(states_.bytes() / sizeof(std::int16_t), frames_.bytes() / sizeof(F));
    return static_cast<F*>(frames_.data()) + (entries - 1);
  };
  F* last = room_up_to();
  *state = 0;
  *top = F{0.0, 0, 0};
  // The lexer's position (the end of the last token), kept in a register
  // through the statement rather than in the buffer.
  const PaddedView text = buf.padded();
  std::size_t pos = 0;
  // The lookahead (a token kind, or RowTables::kNone when none is held) and
  // its frame: its value (a VAL's number, else 0) and its span.
  int lookahead = RowTables::kNone;
  F token{0.0, 0, 0};
  int row = 0;  // the row of the state on top, *state
  // One place reads a token (the lexer is inlined there, once): each pass of
  // the outer loop reads the lookahead, the inner one acts on it until a
  // shift or a state that needs the next one. A token is pushed at most once
  // (by a shift or a shift-and-reduce), so the stacks' room is made here.
  for (;;) {
    if (top == last) [[unlikely]] {
      // A deep statement: the stacks grow and may move.
      const std::size_t entries = static_cast<std::size_t>(top - static_cast<F*>(frames_.data())) + 1;
      grow_stacks<F>(entries);
      top = static_cast<F*>(frames_.data()) + (entries - 1);
      state = static_cast<std::int16_t*>(states_.data()) + (entries - 1);
      last = room_up_to();
    }
    double number = 0.0;
    std::size_t start = 0;
    lookahead = static_cast<int>(std::is_same_v<F, Frame> ? scan(text, pos, start, &number)
                                                          : scan_wide(text, pos, start, &number));
    token = F{number, static_cast<Offset>(start), static_cast<Offset>(pos)};
    for (;;) {
      const int cell = kRows.cells[row + lookahead];
      if (cell > 0) {
        // Shift, into a state that reads its lookahead.
        *++top = token;
        *++state = static_cast<std::int16_t>(cell);
        row = cell;
        break;
      }
      // The body of the reduction and its place on the state stack; then the
      // goto, which the loop acts on with the same lookahead.
      auto reduced = [&](F* body, std::ptrdiff_t length, tables::NonTerm lhs, double result, Offset end) {
        body->value = result;
        body->end = end;
        top = body;
        state += 1 - length;
        row = kRows.cells[state[-1] + RowTables::kGotoColumn + static_cast<int>(lhs)];
        *state = static_cast<std::int16_t>(row);
      };
      if (cell <= -RowTables::kArithmetic) {
        // expr -> expr PLUS expr | expr MINUS expr | expr TIMES expr | expr
        // DIV expr, the commonest reductions, made here without the rule's
        // RuleInfo: 2,841 to 2,729 instructions an arith line, 0.95 of the
        // CPU time (bench/compare.py, 20 paired rounds).
        F* body = top - 2;
        reduced(body, 3, tables::NonTerm::expr,
                arithmetic(static_cast<unsigned>(-cell - RowTables::kArithmetic), body[0].value, body[2].value),
                top->end);
        continue;
      }
      if (cell == RowTables::kClose) {
        // bracketed -> LPAR expr RPAR | LBRA expr RBRA | LCUR expr RCUR: the
        // closing bracket shifted and the bracket reduced at once, without
        // the bracket's frame on the stack (only its end is used): 2,729 to
        // 2,684 instructions an arith line, 0.97 of the CPU time
        // (bench/compare.py, 20 paired rounds).
        F* body = top - 1;
        double result;
        reduce_pure(tables::Action::inner, body, &result);
        reduced(body, 2, tables::NonTerm::bracketed, result, token.end);
        lookahead = RowTables::kNone;
        continue;
      }
      int rule = -cell;
      if (cell == 0) {
        if (lookahead == RowTables::kNone) break;
        // Only the start state takes the error symbol, and `evalf -> error`
        // reduces at once: report at the offending token and fail.
        reporter_.complain(Span{token.start, token.end});
      } else if (rule >= RowTables::kShiftReduce) {
        // Shift, and reduce at once: the token's frame goes on the stack (its
        // state would be popped unread) and the lookahead is used up.
        *++top = token;
        ++state;
        lookahead = RowTables::kNone;
        rule -= RowTables::kShiftReduce;
      }
      const tables::RuleInfo& info = kRules[rule];
      F* body = top + 1 - info.length;
      const Offset end = top->end;
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
      reduced(body, info.length, info.lhs, result, end);
    }
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
