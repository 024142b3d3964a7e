// The parse tables as the parse loop reads them: the generated LALR tables
// (generated_tables.h) turned, at compile time, into one row of cells a state,
// with the checks that make the loop's shortcuts sound.
#pragma once

#include <cstdint>
#include <iterator>
#include <limits>

#include "parser/generated_tables.h"
#include "parser/parse_stacks.h"

namespace zorm::rows {

using tables::kActions;
using tables::kDefaultReduction;
using tables::kGotos;
using tables::kRules;

inline constexpr int kNonTermCount = static_cast<int>(std::size(kGotos[0]));

// The action and goto tables with the unit productions that only pass a
// value on (expr -> VAL, expr -> bracketed) applied in advance: they are
// default reductions, made whatever the lookahead and without effect, so a
// shift or goto into a state that would make one lands directly where that
// reduction would go.
struct FoldedTables {
  std::int16_t actions[tables::kStateCount][tables::kTermCount] = {};
  std::int16_t gotos[tables::kStateCount][kNonTermCount] = {};

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
      for (int n = 0; n < kNonTermCount; ++n)
        gotos[s][n] = static_cast<std::int16_t>(passes(kGotos[s][n]) ? go(s, n) : kGotos[s][n]);
    }
  }
};
inline constexpr FoldedTables kFolded;

// What a cell tells the loop, in the order the loop tests for it.
enum class CellKind : std::uint8_t {
  shift,          // push the token and enter the row `row`, which reads its lookahead
  arithmetic,     // reduce by expr -> expr OP expr, OP the k-th of + - * /
  close_bracket,  // shift a closing bracket and reduce its bracketed at once
  shift_reduce,   // push the token and reduce by `rule` at once (the state it enters only does that)
  reduce,         // reduce by `rule`
  read_or_fail,   // on a token: a syntax error; without a lookahead: read one and look again
};

// A cell's encoding in 16 bits: positive for a shift (the row's offset;
// the start state's row 0 is never shifted into), zero for read_or_fail,
// negative for the rest, in ranges that follow from the rule count.
inline constexpr int kShiftReduceBase = tables::kRuleCount;           // -(rule + base)
inline constexpr int kCloseBracket = -2 * tables::kRuleCount;         // the one close cell
inline constexpr int kArithmeticBase = 2 * tables::kRuleCount + 1;    // -(k + base), k < 4
inline constexpr int kArithmeticCount = 4;

// A cell taken apart.
struct Cell {
  CellKind kind = CellKind::read_or_fail;
  int row = 0;   // shift
  int rule = 0;  // shift_reduce, reduce
  int k = 0;     // arithmetic
};

constexpr Cell decode(int cell) {
  if (cell > 0) return {CellKind::shift, cell, 0, 0};
  if (cell == 0) return {};
  if (cell <= -kArithmeticBase) return {CellKind::arithmetic, 0, 0, -cell - kArithmeticBase};
  if (cell == kCloseBracket) return {CellKind::close_bracket, 0, 0, 0};
  if (-cell >= kShiftReduceBase) return {CellKind::shift_reduce, 0, -cell - kShiftReduceBase, 0};
  return {CellKind::reduce, 0, -cell, 0};
}

// The ranges are disjoint and every cell fits 16 bits.
static_assert(kShiftReduceBase > tables::kRuleCount - 1);                  // reduce: -1 .. -(rules - 1)
static_assert(-kCloseBracket > kShiftReduceBase + tables::kRuleCount - 1);  // shift_reduce below it
static_assert(kArithmeticBase > -kCloseBracket);                            // arithmetic below close
static_assert(kArithmeticBase + kArithmeticCount - 1 <= -std::numeric_limits<std::int16_t>::min());

// The place of an arithmetic rule's action after Action::add, or -1.
constexpr int arithmetic_of(int rule) {
  const int k = static_cast<int>(kRules[rule].action) - static_cast<int>(tables::Action::add);
  return k >= 0 && k < kArithmeticCount ? k : -1;
}
static_assert(static_cast<int>(tables::Action::subtract) == static_cast<int>(tables::Action::add) + 1 &&
              static_cast<int>(tables::Action::multiply) == static_cast<int>(tables::Action::add) + 2 &&
              static_cast<int>(tables::Action::divide) == static_cast<int>(tables::Action::add) + 3);

constexpr int arithmetic_cell(int k) { return -(k + kArithmeticBase); }
constexpr int reduce_cell(int rule) { return arithmetic_of(rule) >= 0 ? arithmetic_cell(arithmetic_of(rule)) : -rule; }
constexpr int shift_reduce_cell(int rule) { return -(rule + kShiftReduceBase); }

// One row a state, holding its actions on the tokens, its action when no
// lookahead is held (column kNone) and its gotos; a state is known by the
// offset of its row. A shift into a state whose only action is one reduction
// (a closing bracket, the end of the statement) becomes a shift_reduce, or
// close_bracket when that reduction is a bracket's. In column kNone: the
// state's reduction that needs no lookahead, or read_or_fail when it needs
// one. States with such a reduction make it on every token.
//
// Against the plain loop over the generated tables (the default-reduction
// probe, a two-dimensional action lookup, one shift or reduction a step) it
// saves the multiplies, folds the probe and the test for a held lookahead
// into the one lookup, and makes a shift and the reduction after it one step.
// Trick row-tables; plain: Parser::parse_plain; bench: ParseLoop_arith/row_tables vs ParseLoop_arith/plain, ParseLoop_vars/row_tables vs ParseLoop_vars/plain.
struct RowTables {
  static constexpr int kNone = tables::kTermCount;
  static constexpr int kGotoColumn = kNone + 1;
  static constexpr int kWidth = kGotoColumn + kNonTermCount;
  static_assert((tables::kStateCount - 1) * kWidth <= std::numeric_limits<StateCell>::max());

  StateCell cells[tables::kStateCount * kWidth] = {};

  static constexpr int row(int state) { return state * kWidth; }
  constexpr RowTables() {
    for (int s = 0; s < tables::kStateCount; ++s) {
      StateCell* r = &cells[row(s)];
      const int always = kDefaultReduction[s];
      for (int t = 0; t < tables::kTermCount; ++t) {
        const int a = kFolded.actions[s][t];
        int cell = a;
        if (always >= 0) {
          cell = reduce_cell(always);
        } else if (a > 0) {
          const int to = a - 1;
          const int then = kDefaultReduction[to];
          cell = then < 0                                           ? row(to)
                 : kRules[then].action == tables::Action::inner ? kCloseBracket
                                                                    : shift_reduce_cell(then);
        } else if (a < 0) {
          cell = reduce_cell(-a);
        }
        r[t] = static_cast<StateCell>(cell);
      }
      r[kNone] = static_cast<StateCell>(always >= 0 ? reduce_cell(always) : 0);
      for (int n = 0; n < kNonTermCount; ++n)
        r[kGotoColumn + n] = static_cast<StateCell>(kFolded.gotos[s][n] < 0 ? -1 : row(kFolded.gotos[s][n]));
    }
  }
};
inline constexpr RowTables kRows;

// No shift or goto of the folded tables enters a state whose only action is
// a unit reduction, so the parse loop never has to make one.
constexpr bool folded_skips_unit_states() {
  for (int s = 0; s < tables::kStateCount; ++s) {
    for (int t = 0; t < tables::kTermCount; ++t)
      if (kFolded.actions[s][t] > 0 && FoldedTables::passes(kFolded.actions[s][t] - 1)) return false;
    for (int n = 0; n < kNonTermCount; ++n)
      if (FoldedTables::passes(kFolded.gotos[s][n])) return false;
  }
  return true;
}
static_assert(folded_skips_unit_states());

// A shift never goes to the start state, whose row (0) would read as
// read_or_fail; the only state that reduces by the accepting rule 0, which
// would read so too, is the one after evalf, never entered (the loop returns
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

// Every cell decodes to what it was made from: a shift to an existing row, a
// rule to an existing rule.
constexpr bool cells_decode() {
  for (int s = 0; s < tables::kStateCount; ++s)
    for (int c = 0; c <= RowTables::kNone; ++c) {
      const Cell d = decode(kRows.cells[RowTables::row(s) + c]);
      if (d.kind == CellKind::shift && (d.row % RowTables::kWidth != 0 || d.row / RowTables::kWidth >= tables::kStateCount))
        return false;
      if ((d.kind == CellKind::reduce || d.kind == CellKind::shift_reduce) && (d.rule <= 0 || d.rule >= tables::kRuleCount))
        return false;
      if (d.kind == CellKind::arithmetic && d.k >= kArithmeticCount) return false;
    }
  return true;
}
static_assert(cells_decode());

// The arithmetic rules are all expr -> expr OP expr, which the loop reduces
// without their RuleInfo; none is made by a shift-and-reduce (their states
// read a lookahead for precedence).
constexpr bool arithmetic_rules_are_binary() {
  for (int r = 0; r < tables::kRuleCount; ++r) {
    if (arithmetic_of(r) < 0) continue;
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
    for (int n = 0; n < kNonTermCount; ++n) {
      const int to = kFolded.gotos[s][n];
      if (to >= 0 && kDefaultReduction[to] >= 0 && kRules[kDefaultReduction[to]].action == tables::Action::inner)
        return false;
    }
  }
  return true;
}
static_assert(bracket_rules_close());

}  // namespace zorm::rows
