// The value and effect of every production. Each case names its rules.
#include "parser/productions.h"

#include <cmath>
#include <utility>

#include "parser/commands.h"
#include "parser/generated_tables.h"
#include "util/number_text.h"

namespace zorm {

namespace {

using tables::Action;

using UnaryFn = double (*)(double);

// The one-argument functions, by their operator token.
struct FunctionRow {
  Tok tok;
  UnaryFn fn;
};

// One row per `function` rule of the grammar (checked below).
constexpr FunctionRow kFunctions[] = {
    {Tok::SQRT, [](double x) { return std::sqrt(x); }},
    {Tok::FLOOR, [](double x) { return std::floor(x); }},
    {Tok::CEIL, [](double x) { return std::ceil(x); }},
    {Tok::ROUND, round_half_down},
    {Tok::ABS, [](double x) { return std::fabs(x); }},
    {Tok::COS, [](double x) { return std::cos(x); }},
    {Tok::SIN, [](double x) { return std::sin(x); }},
    {Tok::TAN, [](double x) { return std::tan(x); }},
    {Tok::ACOS, [](double x) { return std::acos(x); }},
    {Tok::ASIN, [](double x) { return std::asin(x); }},
    {Tok::ATAN, [](double x) { return std::atan(x); }},
    {Tok::COSH, [](double x) { return std::cosh(x); }},
    {Tok::SINH, [](double x) { return std::sinh(x); }},
    {Tok::TANH, [](double x) { return std::tanh(x); }},
    {Tok::LN, [](double x) { return std::log(x); }},
    {Tok::LOG, [](double x) { return std::log10(x); }},
    {Tok::EXP, [](double x) { return std::exp(x); }},
    {Tok::DEG, deg_to_rad},
};

struct FunctionIndex {
  UnaryFn by_tok[kTokCount] = {};
  constexpr FunctionIndex() {
    for (const FunctionRow& row : kFunctions) by_tok[static_cast<int>(row.tok)] = row.fn;
  }
};
constexpr FunctionIndex kFunctionIndex;

// A `function` rule of the grammar without its row here would call through a
// null pointer: each such rule instantiates this check, which names the rule's
// token when it does not have exactly one row.
constexpr int function_rows(int tok) {
  int rows = 0;
  for (const FunctionRow& row : kFunctions) rows += static_cast<int>(row.tok) == tok;
  return rows;
}
template <Tok head>
constexpr bool function_row() {
  static_assert(function_rows(static_cast<int>(head)) == 1,
                "a `function` rule of grammar.y needs one row in kFunctions");
  return true;
}
template <int rule>
constexpr bool function_row_of_rule() {
  if constexpr (tables::kRules[rule].action == Action::function)
    return function_row<static_cast<Tok>(tables::kRules[rule].head)>();
  else
    return true;
}
template <int... rule>
constexpr bool every_function_rule_has_a_row(std::integer_sequence<int, rule...>) {
  return (function_row_of_rule<rule>() && ...);
}
static_assert(every_function_rule_has_a_row(std::make_integer_sequence<int, tables::kRuleCount>()));

// And each row has its rule, once.
constexpr bool every_row_has_one_rule() {
  for (const FunctionRow& row : kFunctions) {
    int rules = 0;
    for (const tables::RuleInfo& r : tables::kRules)
      rules += r.action == Action::function && r.head == static_cast<int>(row.tok);
    if (rules != 1 || function_rows(static_cast<int>(row.tok)) != 1) return false;
  }
  return true;
}
static_assert(every_row_has_one_rule(), "a row of kFunctions has no `function` rule in grammar.y, or two");

}  // namespace

namespace {

// The name of a VAR token on the stack.
template <class F>
std::string_view name_of(std::string_view text, const F& var) {
  return text.substr(var.start, var.end - var.start);
}

template <class F>
[[gnu::always_inline]] inline Reduced reduce_frames(Parser& parser, int rule, const F* rhs, Span span, double* value) {
  const tables::RuleInfo& info = tables::kRules[rule];
  const std::string_view text = parser.statement();
  double& v = *value;
  switch (info.action) {
    // evalf -> END | COMMENT END | CMD command END
    // expr -> LET decl_list END | decl_list END | UNIT
    case Action::no_value:
      return Reduced::no_value;
    // evalf -> expr END; expr -> VAL | bracketed
    case Action::pass_value:
      v = rhs[0].value;
      return Reduced::value;
    // command -> VAR
    case Action::run_command:
      run_command(parser, name_of(text, rhs[0]));
      return Reduced::no_value;
    // decl_list -> decl DECL_AND decl_list | decl
    case Action::nothing:
      v = 0.0;
      return Reduced::value;
    // decl -> VAR ASSIGN expr
    case Action::bind:
      parser.bind_variable(name_of(text, rhs[0]), rhs[2].value);
      return Reduced::value;
    // decl -> VAR INCR | INCR VAR
    // decl -> VAR DECR | DECR VAR
    case Action::increment:
    case Action::decrement: {
      const F& var = info.head == static_cast<int>(Tok::VAR) ? rhs[0] : rhs[1];
      const std::string_view name = name_of(text, var);
      const double old = parser.lookup_variable(name, span);
      parser.bind_variable(name, info.action == Action::increment ? old + 1.0 : old - 1.0);
      return Reduced::value;
    }
    // expr -> LET decl_list DECL_IN expr | decl_list DECL_IN expr
    case Action::trailing:
      v = rhs[info.length - 1].value;
      return Reduced::value;
    // expr -> VAR
    case Action::lookup:
      v = parser.lookup_variable(name_of(text, rhs[0]), span);
      return Reduced::value;
    // expr -> BAR expr BAR
    case Action::abs_pair:
      v = std::fabs(rhs[1].value);
      return Reduced::value;
    // expr -> PI | TRUE | FALSE
    case Action::pi:
      v = kPi;
      return Reduced::value;
    case Action::true_value:
      v = 1.0;
      return Reduced::value;
    case Action::false_value:
      v = 0.0;
      return Reduced::value;
    // expr -> E_NOTATION expr
    case Action::exp10:
      v = std::pow(10.0, rhs[1].value);
      return Reduced::value;
    // expr -> expr E_NOTATION expr
    case Action::scale10:
      v = rhs[0].value * std::pow(10.0, rhs[2].value);
      return Reduced::value;
    // expr -> expr MODULO expr
    case Action::modulo:
      v = std::fmod(rhs[0].value, rhs[2].value);
      return Reduced::value;
    // expr -> expr POW expr
    case Action::power:
      v = std::pow(rhs[0].value, rhs[2].value);
      return Reduced::value;
    // expr -> RANDOM expr
    case Action::random:
      v = parser.rng().fraction() * rhs[1].value;
      return Reduced::value;
    // expr -> SQRT expr | FLOOR expr | ... | DEG expr
    case Action::function:
      v = kFunctionIndex.by_tok[info.head](rhs[1].value);
      return Reduced::value;
    // expr -> LOGB expr bracketed
    case Action::log_base:
      v = log_base(rhs[1].value, rhs[2].value);
      return Reduced::value;
    // expr -> FACTORIAL expr
    case Action::factorial:
      v = factorial(rhs[1].value, span);
      return Reduced::value;
    // expr -> expr EQUALS expr
    case Action::equals:
      v = truth_value(rhs[0].value == rhs[2].value);
      return Reduced::value;
    // expr -> expr NOT_EQUAL expr
    case Action::differs:
      v = truth_value(!(rhs[0].value == rhs[2].value));
      return Reduced::value;
    // expr -> expr GREATER_EQUAL expr
    case Action::greater_equal:
      v = truth_value(rhs[0].value >= rhs[2].value);
      return Reduced::value;
    // expr -> expr LESS_EQUAL expr
    case Action::less_equal:
      v = truth_value(rhs[0].value <= rhs[2].value);
      return Reduced::value;
    // expr -> expr GREATER expr
    case Action::greater:
      v = truth_value(rhs[0].value > rhs[2].value);
      return Reduced::value;
    // expr -> expr LESS expr
    case Action::less:
      v = truth_value(rhs[0].value < rhs[2].value);
      return Reduced::value;
    // expr -> expr AND expr
    case Action::logical_and:
      v = truth_value(is_true(rhs[0].value) && is_true(rhs[2].value));
      return Reduced::value;
    // expr -> expr OR expr
    case Action::logical_or:
      v = truth_value(is_true(rhs[0].value) || is_true(rhs[2].value));
      return Reduced::value;
    // expr -> expr XOR expr
    case Action::logical_xor:
      v = truth_xor(rhs[0].value, rhs[2].value);
      return Reduced::value;
    // expr -> NOT expr
    case Action::logical_not:
      v = truth_value(!is_true(rhs[1].value));
      return Reduced::value;
    // expr -> expr QUESTION expr COLON expr
    case Action::ternary:
      v = is_true(rhs[0].value) ? rhs[2].value : rhs[4].value;
      return Reduced::value;
    // expr -> IF expr THEN expr ELSE expr
    case Action::if_then_else:
      v = is_true(rhs[1].value) ? rhs[3].value : rhs[5].value;
      return Reduced::value;
    // expr -> PLUS expr
    case Action::pass_operand:
      v = rhs[1].value;
      return Reduced::value;
    // expr -> PRINT expr
    case Action::print: {
      char digits[kNumberTextMax + 1];
      std::size_t n = number_text(rhs[1].value, digits);
      Output& out = parser.out();
      out.write(std::string_view(digits, n));
      out.end_line();
      v = rhs[1].value;
      return Reduced::value;
    }
    // bracketed -> LPAR expr RPAR | LBRA expr RBRA | LCUR expr RCUR
    case Action::inner:
      v = rhs[1].value;
      return Reduced::value;
    // expr -> expr PLUS expr | expr MINUS expr | expr TIMES expr | expr DIV expr
    case Action::add:
    case Action::subtract:
    case Action::multiply:
    case Action::divide:
      v = arithmetic(static_cast<unsigned>(info.action) - static_cast<unsigned>(Action::add), rhs[0].value,
                     rhs[2].value);
      return Reduced::value;
    // expr -> MINUS expr
    case Action::negate:
      v = -rhs[1].value;
      return Reduced::value;
    // evalf -> error: the parse loops report the syntax error and fail at
    // the offending token, before any reduction; $accept -> evalf: they
    // return on reducing evalf. Neither is ever reduced.
    case Action::syntax_error:
    case Action::accept:
      break;
  }
  return Reduced::value;
}

}  // namespace

Reduced reduce(Parser& parser, int rule, const Frame* rhs, Span span, double* value) {
  return reduce_frames(parser, rule, rhs, span, value);
}

Reduced reduce(Parser& parser, int rule, const WideFrame* rhs, Span span, double* value) {
  return reduce_frames(parser, rule, rhs, span, value);
}

Reduced reduce_plain(Parser& parser, int rule, const WideFrame* rhs, Span span,
                     double* value) {
  return reduce_frames(parser, rule, rhs, span, value);
}

}  // namespace zorm
