// The lexer: one pass over the bytes of a statement, longest match, with the
// fixed lexemes winning ties against identifiers. Tokens are made on demand,
// so text after the point where the parse stops is never examined.
#include "lexer/mathlexer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <system_error>

#include "lexer/mathcommon.h"

namespace zorm {

namespace {

constexpr std::string_view kTokNames[] = {
    "VAL",      "VAR",     "PLUS",    "UPLUS",    "MINUS",     "UMINUS", "TIMES",  "DIV",
    "POW",      "SQRT",    "FLOOR",   "CEIL",     "ROUND",     "COS",    "SIN",    "SINH",
    "COSH",     "TAN",     "TANH",    "EXP",      "LOG",       "ACOS",   "ASIN",   "ATAN",
    "LN",       "DEG",     "LOGB",    "ABS",      "MODULO",    "FACTORIAL", "LPAR", "RPAR",
    "ABSDEL",   "LBRA",    "RBRA",    "LCUR",     "RCUR",      "END",    "PI",     "ENOT",
    "RANDOM",   "TRUE",    "FALSE",   "DECSEP",   "DECXPSEP",  "ASSIGN", "LET",    "LEQUALS",
    "LDIFF",    "LSUP",    "LINF",    "LSSUP",    "LSINF",     "LAND",   "LOR",    "LNOT",
    "LTERN",    "LTERNSEP", "LIF",    "LELSE",    "LTHEN",     "LXOR",   "INCR",   "DECR",
    "CMD",      "COMMENT", "UNIT",    "PRINT",
};
static_assert(std::size(kTokNames) == kTokCount);
static_assert(static_cast<int>(Tok::PRINT) == kTokCount - 1);

struct Keyword {
  std::string_view word;
  Tok tok;
};

// The lower-case words among the fixed lexemes. A word is one of these only
// when it is the whole identifier-shaped run.
constexpr Keyword kKeywords[] = {
    {"mod", Tok::MODULO},   {"modulo", Tok::MODULO}, {"not", Tok::LNOT},
    {"xor", Tok::LXOR},     {"if", Tok::LIF},         {"then", Tok::LTHEN},
    {"else", Tok::LELSE},   {"let", Tok::LET},        {"and", Tok::DECSEP},
    {"in", Tok::DECXPSEP},  {"sqrt", Tok::SQRT},      {"r", Tok::SQRT},
    {"floor", Tok::FLOOR},  {"ceil", Tok::CEIL},      {"round", Tok::ROUND},
    {"nint", Tok::ROUND},   {"abs", Tok::ABS},        {"exp", Tok::EXP},
    {"ln", Tok::LN},        {"log", Tok::LOG},        {"logb", Tok::LOGB},
    {"deg", Tok::DEG},      {"cos", Tok::COS},        {"sin", Tok::SIN},
    {"tan", Tok::TAN},      {"cosh", Tok::COSH},      {"ch", Tok::COSH},
    {"sinh", Tok::SINH},    {"sh", Tok::SINH},        {"tanh", Tok::TANH},
    {"th", Tok::TANH},      {"acos", Tok::ACOS},      {"asin", Tok::ASIN},
    {"atan", Tok::ATAN},    {"factorial", Tok::FACTORIAL}, {"rand", Tok::RANDOM},
    {"random", Tok::RANDOM}, {"print", Tok::PRINT},   {"e", Tok::ENOT},
    {"pi", Tok::PI},        {"true", Tok::TRUE},      {"false", Tok::FALSE},
};

// Byte classes: bit 0 white space, bit 1 identifier start, bit 2 identifier
// continuation, bit 3 digit.
constexpr unsigned char kSpace = 1, kIdStart = 2, kIdCont = 4, kDigit = 8;

struct ClassTable {
  unsigned char c[256] = {};
  constexpr ClassTable() {
    c[static_cast<unsigned char>(' ')] = kSpace;
    c[static_cast<unsigned char>('\t')] = kSpace;
    c[static_cast<unsigned char>('\n')] = kSpace;
    for (int b = 'a'; b <= 'z'; ++b) c[b] = kIdStart | kIdCont;
    for (int b = 'A'; b <= 'Z'; ++b) c[b] = kIdCont;
    for (int b = '0'; b <= '9'; ++b) c[b] = kIdCont | kDigit;
    c[static_cast<unsigned char>('_')] = kIdStart | kIdCont;
    c[static_cast<unsigned char>('\'')] = kIdCont;
    c[static_cast<unsigned char>('-')] = kIdCont;
    c[static_cast<unsigned char>('~')] = kIdCont;
  }
};
constexpr ClassTable kClass;

inline bool has(unsigned char byte, unsigned char cls) { return (kClass.c[byte] & cls) != 0; }

// The keywords grouped by their first byte, so that a name is told from the
// keywords by comparing it with the few that share its first letter (none
// for most names).
struct KeywordIndex {
  Keyword by_first[std::size(kKeywords)] = {};
  std::uint8_t begin[256] = {};
  std::uint8_t end[256] = {};
  constexpr KeywordIndex() {
    std::size_t n = 0;
    for (int c = 0; c < 256; ++c) {
      begin[c] = static_cast<std::uint8_t>(n);
      for (const Keyword& k : kKeywords)
        if (static_cast<unsigned char>(k.word[0]) == c) by_first[n++] = k;
      end[c] = static_cast<std::uint8_t>(n);
    }
  }
};
constexpr KeywordIndex kKeywordIndex;

Tok keyword_or_var(std::string_view word) {
  // Keywords are short; longer runs are always names.
  if (word.size() <= 9) {
    const unsigned char first = static_cast<unsigned char>(word[0]);
    for (int i = kKeywordIndex.begin[first]; i < kKeywordIndex.end[first]; ++i)
      if (kKeywordIndex.by_first[i].word == word) return kKeywordIndex.by_first[i].tok;
  }
  return Tok::VAR;
}

[[noreturn]] void empty_token() { throw EvalFailure("lexing: empty token"); }

// What a token's first byte tells. Operators and single-byte punctuation are
// made from the table alone: `one` when the next byte is not `second`, `two`
// (two bytes long) when it is. The other bytes send the lexer to the number,
// name or remaining branches.
enum class Family : std::uint8_t { other, op, number, name };

struct FirstByte {
  Family family = Family::other;
  Tok one = Tok::END;
  Tok two = Tok::END;
  bool comment = false;  // "(" and "/" may open a comment (and "()" is UNIT)
  int second = -1;       // no byte matches -1
};

struct FirstTable {
  FirstByte e[256] = {};
  constexpr void op(char c, Tok one, char second = 0, Tok two = Tok::END) {
    FirstByte& f = e[static_cast<unsigned char>(c)];
    f.family = Family::op;
    f.one = one;
    f.two = two;
    f.second = second != 0 ? static_cast<unsigned char>(second) : -1;
  }
  constexpr FirstTable() {
    for (int b = '0'; b <= '9'; ++b) e[b].family = Family::number;
    e[static_cast<unsigned char>('.')].family = Family::number;
    for (int b = 'a'; b <= 'z'; ++b) e[b].family = Family::name;
    e[static_cast<unsigned char>('_')].family = Family::name;
    // Upper-case lexemes are complete by themselves and never grow into names.
    op('E', Tok::ENOT);
    op('*', Tok::TIMES, '*', Tok::POW);
    op('^', Tok::POW, '^', Tok::LXOR);
    op('+', Tok::PLUS, '+', Tok::INCR);
    op('-', Tok::MINUS, '-', Tok::DECR);
    op('=', Tok::ASSIGN, '=', Tok::LEQUALS);
    op('!', Tok::LNOT, '=', Tok::LDIFF);
    op('>', Tok::LSSUP, '=', Tok::LSUP);
    op(':', Tok::LTERNSEP, '=', Tok::ASSIGN);
    op('%', Tok::MODULO);
    op('?', Tok::LTERN);
    op(',', Tok::DECSEP);
    op(';', Tok::DECXPSEP);
    op('@', Tok::CMD);
    op('#', Tok::RANDOM);
    op(')', Tok::RPAR);
    op('[', Tok::LBRA);
    op(']', Tok::RBRA);
    op('{', Tok::LCUR);
    op('}', Tok::RCUR);
    op('(', Tok::LPAR);
    op('/', Tok::DIV);
    e[static_cast<unsigned char>('(')].comment = true;
    e[static_cast<unsigned char>('/')].comment = true;
  }
};
constexpr FirstTable kFirst;

// The length of the run of decimal digits at s[q] (ending at or before n),
// with m multiplied by ten and increased by each digit in turn (wrapping
// silently when the run is long: the caller then does not use m).
[[gnu::always_inline]] inline std::size_t digit_run(const char* s, std::size_t q, std::size_t n, std::uint64_t& m) {
  const std::size_t from = q;
  while (q < n && has(static_cast<unsigned char>(s[q]), kDigit)) {
    m = m * 10 + static_cast<unsigned>(s[q] - '0');
    ++q;
  }
  return q - from;
}

// Exact powers of ten: every one up to 10^22 is a double.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

double convert_number(std::string_view lexeme) {
  double value = 0.0;
  auto res = std::from_chars(lexeme.data(), lexeme.data() + lexeme.size(), value,
                             std::chars_format::fixed);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large for a double becomes infinity; too small becomes zero.
    bool large = false;
    for (char c : lexeme) {
      if (c == '.') break;
      if (c != '0') {
        large = true;
        break;
      }
    }
    return large ? HUGE_VAL : 0.0;
  }
  if (res.ec != std::errc() || res.ptr != lexeme.data() + lexeme.size())
    throw EvalFailure("float_of_string");
  return value;
}

}  // namespace

std::string_view tok_name(Tok t) { return kTokNames[static_cast<int>(t)]; }

namespace {

// The lexer proper, inlined into `token`, which the parse loop inlines in turn
// (through link-time optimisation), and into `token_wide`.
[[gnu::always_inline]] inline Tok lex(InputBuffer& buf, double* number) {
  const char* s = buf.text.data();
  const std::size_t n = buf.text.size();
  std::size_t p = buf.pos;
  // Most tokens are followed by one blank or none: that one is skipped
  // without a branch, longer runs by the loop.
  if (p < n) p += has(static_cast<unsigned char>(s[p]), kSpace);
  while (p < n && has(static_cast<unsigned char>(s[p]), kSpace)) ++p;
  const std::size_t start = p;
  buf.pos = p;
  buf.token_start = start;
  buf.token_end = start;
  if (p == n) return Tok::END;

  auto make = [&](Tok t, std::size_t len) {
    buf.pos = start + len;
    buf.token_end = start + len;
    return t;
  };
  auto next_is = [&](char c) { return p + 1 < n && s[p + 1] == c; };

  const unsigned char c = static_cast<unsigned char>(s[p]);
  const FirstByte& first = kFirst.e[c];
  if (first.family == Family::op) {
    Tok t = first.one;
    std::size_t len = 1;
    if (p + 1 < n) {
      const unsigned char d = static_cast<unsigned char>(s[p + 1]);
      // Evaluated without branches: "(" and "/" are common, comments rare.
      if (first.comment & ((d == '*') | (d == '/') | (d == ')'))) {
        // Comments run to the end of the text; there is no closing delimiter.
        if (d == '*' || (c == '/' && d == '/')) return make(Tok::COMMENT, n - p);
        if (c == '(' && d == ')') return make(Tok::UNIT, 2);
      }
      if (d == first.second) {
        t = first.two;
        len = 2;
      }
    }
    return make(t, len);
  }
  if (first.family == Family::number) {
    // Number: digits ["." digits] or "." digits; no sign, no exponent.
    // The digits are gathered into m on the way. With at most 15 digits m is
    // below 10^15 (so below 2^53), the fraction has at most 15 digits, m and
    // 10^k are exact doubles and one correctly rounded division gives the
    // double nearest to m / 10^k; longer numbers go through the general
    // conversion.
    std::uint64_t m = 0;
    std::size_t q = p + digit_run(s, p, n, m);
    const std::size_t whole = q - p;
    std::size_t fraction = 0;
    if (q < n && s[q] == '.') {
      ++q;
      fraction = digit_run(s, q, n, m);
      q += fraction;
    }
    make(Tok::VAL, q - p);
    if (whole + fraction <= 15 && whole + fraction != 0)  // "." alone has no digit
      *number = static_cast<double>(m) / kPow10[fraction];
    else
      *number = convert_number(buf.text.substr(p, q - p));
    return Tok::VAL;
  }
  if (has(c, kIdStart)) {
    // Identifier, or a lower-case keyword when the whole run is one.
    std::size_t q = p + 1;
    while (q < n && has(static_cast<unsigned char>(s[q]), kIdCont)) ++q;
    return make(keyword_or_var(buf.text.substr(p, q - p)), q - p);
  }
  switch (c) {
    // Upper-case lexemes are complete by themselves and never grow into names.
    case 'P':
      if (next_is('I') || next_is('i')) return make(Tok::PI, 2);
      empty_token();
    case 'T':
      if (buf.text.substr(p, 4) == "TRUE") return make(Tok::TRUE, 4);
      empty_token();
    case 'F':
      if (buf.text.substr(p, 5) == "FALSE") return make(Tok::FALSE, 5);
      empty_token();
    // Comments run to the end of the text; there is no closing delimiter.
    case '\'':
      return make(Tok::COMMENT, n - p);
    // Operators, greedy pairs first.
    case '<':
      if (next_is('>')) return make(Tok::LDIFF, 2);
      if (next_is('=')) return make(Tok::LINF, 2);
      if (next_is('-')) return make(Tok::ASSIGN, 2);
      return make(Tok::LSINF, 1);
    case '|':
      if (next_is('=')) return make(Tok::LDIFF, 2);
      if (next_is('|')) return make(Tok::LOR, 2);
      return make(Tok::ABSDEL, 1);
    case '&':
      if (next_is('&')) return make(Tok::LAND, 2);
      empty_token();
    default:
      // A byte of no class, a tilde, another upper-case letter.
      empty_token();
  }
}

}  // namespace

Tok token(InputBuffer& buf, double* number) { return lex(buf, number); }

// The lexer for statements of 4 GiB or more (see the parse loop), kept apart
// so that `token` has a single caller.
[[gnu::noinline]] Tok token_wide(InputBuffer& buf, double* number) { return lex(buf, number); }

}  // namespace zorm
