// The parse loop over the row tables (row_tables.h).
#include "parser/parse_loop.h"

#include <type_traits>

#include "lexer/lexer.h"
#include "parser/productions.h"
#include "parser/row_tables.h"
#include "util/text.h"

namespace zorm {

namespace {

using rows::kRows;
using rows::RowTables;

// However the statement ends, mapped stacks go back.
struct GiveBack {
  ParseStacks& stacks;
  ~GiveBack() { stacks.give_back(); }
};

// A reduction's end, on the stacks by their tops (the top frame, its state,
// and the row of that state): the body's first frame takes the result (its
// start is the span's start), the state stack drops the body's states but
// one, and the goto on `lhs` from the state below gives the new state.
template <class F>
[[gnu::always_inline]] inline void reduce_to(F*& top, StateCell*& state, int& row, F* body, std::ptrdiff_t length,
                                             tables::NonTerm lhs, double result, decltype(F::end) end) {
  body->value = result;
  body->end = end;
  top = body;
  state += 1 - length;
  row = kRows.cells[state[-1] + RowTables::kGotoColumn + static_cast<int>(lhs)];
  *state = static_cast<StateCell>(row);
}

}  // namespace

bool Parser::parse(PaddedView text, double* value) {
  GiveBack give_back{stacks_};
  statement_ = text.text();
  if (text.text().size() < wide_from_) return parse_rows<Frame>(text, value);
  if (plain_) [[unlikely]]
    return parse_plain(text, value);
  return parse_rows<WideFrame>(text, value);
}

template <class F>
bool Parser::parse_rows(PaddedView text, double* value) {
  using Offset = decltype(F::start);
  stacks_.prepare<F>();
  // The last entry the stacks have room for: a token pushes at most one
  // entry (by a shift or a shift_reduce), so one bound test a token does.
  F* last = stacks_.frames<F>() + (stacks_.entries<F>() - 1);
  // The stacks by their tops, which move together: the top frame, its state
  // (a row of kRows) and that row, in registers through the statement.
  F* top = stacks_.frames<F>();
  StateCell* state = stacks_.states();
  int row = 0;
  *state = 0;
  *top = F{0.0, 0, 0};
  // The lexer's position (the end of the last token), kept in a register
  // through the statement.
  std::size_t pos = 0;
  // The lookahead (a token kind, or RowTables::kNone when none is held) and
  // its frame: its value (a VAL's number, else 0) and its span.
  int lookahead = RowTables::kNone;
  F token{0.0, 0, 0};
  // One place reads a token (the lexer is inlined there, once): each pass of
  // the outer loop reads the lookahead, the inner one acts on it until a
  // shift or a state that needs the next one.
  for (;;) {
    if (top == last) [[unlikely]] {
      // A deep statement: the stacks grow and may move.
      const std::size_t entries = static_cast<std::size_t>(top - stacks_.frames<F>()) + 1;
      stacks_.grow<F>(entries);
      top = stacks_.frames<F>() + (entries - 1);
      state = stacks_.states() + (entries - 1);
      last = stacks_.frames<F>() + (stacks_.entries<F>() - 1);
    }
    double number = 0.0;
    std::size_t start = 0;
    lookahead = static_cast<int>(std::is_same_v<F, Frame> ? scan(text, pos, start, &number)
                                                          : scan_wide(text, pos, start, &number));
    token = F{number, static_cast<Offset>(start), static_cast<Offset>(pos)};
    for (;;) {
      const int cell = kRows.cells[row + lookahead];
      if (cell > 0) {
        // shift
        *++top = token;
        *++state = static_cast<StateCell>(cell);
        row = cell;
        break;
      }
      if (cell <= -rows::kArithmeticBase) {
        // arithmetic: expr -> expr PLUS expr | expr MINUS expr | expr TIMES
        // expr | expr DIV expr, the commonest reductions, without the rule's
        // RuleInfo.
        F* body = top - 2;
        const double result = arithmetic(static_cast<unsigned>(-cell - rows::kArithmeticBase), body[0].value,
                                         body[2].value);
        reduce_to(top, state, row, body, 3, tables::NonTerm::expr, result, top->end);
        continue;
      }
      if (cell == rows::kCloseBracket) {
        // close_bracket: bracketed -> LPAR expr RPAR | LBRA expr RBRA | LCUR
        // expr RCUR, without the bracket's frame on the stack (only its end
        // is used).
        F* body = top - 1;
        reduce_to(top, state, row, body, 2, tables::NonTerm::bracketed, body[1].value, token.end);
        lookahead = RowTables::kNone;
        continue;
      }
      int rule = -cell;
      if (cell == 0) {
        // read_or_fail
        if (lookahead == RowTables::kNone) break;
        // Only the start state takes the error symbol, and `evalf -> error`
        // reduces at once: report at the offending token and fail.
        reporter_->complain(statement_, Span{token.start, token.end});
      } else if (rule >= rows::kShiftReduceBase) {
        // shift_reduce: the token's frame goes on the stack (its state would
        // be popped unread) and the lookahead is used up.
        *++top = token;
        ++state;
        lookahead = RowTables::kNone;
        rule -= rows::kShiftReduceBase;
      }
      // reduce
      const tables::RuleInfo& info = tables::kRules[rule];
      F* body = top + 1 - info.length;
      const Offset end = top->end;
      double result;
      if (info.action == tables::Action::negate) {
        // expr -> MINUS expr, the commonest of the rest, inline.
        result = -body[1].value;
      } else {
        result = 0.0;
        if (reduce(*this, rule, body, Span{body[0].start, end}, &result) == Reduced::no_value)
          return false;
        if (info.lhs == tables::NonTerm::evalf) {
          *value = result;
          return true;
        }
      }
      reduce_to(top, state, row, body, info.length, info.lhs, result, end);
    }
  }
}

double Parser::lookup_variable(std::string_view name, Span span) {
  if (const double* v = vars_.find(name)) return *v;
  reporter_->complain_soft(statement_, span);
  if (reporter_->flags().print_errors) {
    const SnippetParts shown = snippet_parts(name, 15);
    reporter_->io().notice({"{Unbound variable: `", shown.head, shown.more, "'}"});
  }
  throw EvalFailure(FailureCode::unbound_variable, span);
}

}  // namespace zorm
