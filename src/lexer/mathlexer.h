// The lexer: token kinds, the per-statement input buffer, and `token`, which
// makes one token on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorm {

// Token kinds in their fixed order. UPLUS and UMINUS are never produced: they
// only name precedence levels of the grammar.
enum class Tok : std::uint8_t {
  VAL, VAR, PLUS, UPLUS, MINUS, UMINUS, TIMES, DIV, POW, SQRT, FLOOR, CEIL,
  ROUND, COS, SIN, SINH, COSH, TAN, TANH, EXP, LOG, ACOS, ASIN, ATAN, LN, DEG,
  LOGB, ABS, MODULO, FACTORIAL, LPAR, RPAR, ABSDEL, LBRA, RBRA, LCUR, RCUR, END,
  PI, ENOT, RANDOM, TRUE, FALSE, DECSEP, DECXPSEP, ASSIGN, LET, LEQUALS, LDIFF,
  LSUP, LINF, LSSUP, LSINF, LAND, LOR, LNOT, LTERN, LTERNSEP, LIF, LELSE, LTHEN,
  LXOR, INCR, DECR, CMD, COMMENT, UNIT, PRINT,
};

inline constexpr int kTokCount = 68;

// The name of a token kind ("VAL", "PLUS", ...).
std::string_view tok_name(Tok t);

// One statement's text and the lexer's position in it. All offsets are
// zero-based byte offsets; token_start/token_end describe the last token
// returned (END: both equal the length).
struct InputBuffer {
  std::string_view text;
  std::size_t pos = 0;
  std::size_t token_start = 0;
  std::size_t token_end = 0;

  explicit InputBuffer(std::string_view t = {}) : text(t) {}
  std::string_view lexeme() const { return text.substr(token_start, token_end - token_start); }
};

// Skips white space and returns the next token, recording its offsets in buf.
// A VAL's number is stored in *number; a VAR's name is buf.lexeme().
// Raises EvalFailure("lexing: empty token") where no token can be formed (the
// offending byte is not consumed) and EvalFailure("float_of_string") for the
// number text ".".
Tok token(InputBuffer& buf, double* number);
// `token` for statements of 4 GiB or more: a separate caller, so that `token`
// itself stays inlined into the common parse loop.
Tok token_wide(InputBuffer& buf, double* number);

}  // namespace zorm
