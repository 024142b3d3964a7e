// The lexer: one pass over the bytes of a statement, longest match, with the
// fixed lexemes winning ties against identifiers. Tokens are made on demand,
// so text after the point where the parse stops is never examined.
#include "lexer/lexer.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <system_error>
#include <type_traits>

#include "report/failure.h"

namespace zorm {

namespace {

// A lexeme that starts like an identifier is a keyword: it is one only when it
// is the whole identifier-shaped run. Every other lexeme is matched by its
// bytes, from the table of its first byte.
constexpr bool is_keyword(const Lexeme& l) {
  return in_class(static_cast<unsigned char>(l.text[0]), kIdStart);
}

constexpr std::size_t longest_keyword() {
  std::size_t n = 0;
  for (const Lexeme& l : kLexemes)
    if (is_keyword(l) && l.text.size() > n) n = l.text.size();
  return n;
}
// No longer run is a keyword.
constexpr std::size_t kLongestKeyword = longest_keyword();

// The keywords grouped by their first byte, in the order of the vocabulary,
// so that a name is told from the keywords by comparing it with the few that
// share its first letter (none for most names); or the other lexemes
// (operators, punctuation, comment openers, the upper-case words) grouped by
// their first byte, the longest first, so that the first one that matches is
// the longest match.
struct LexemeIndex {
  Lexeme by_first[std::size(kLexemes)] = {};
  std::uint8_t begin[256] = {};
  std::uint8_t end[256] = {};
  constexpr explicit LexemeIndex(bool keywords) {
    // A stable insertion sort.
    auto before = [keywords](const Lexeme& a, const Lexeme& b) {
      const unsigned char fa = static_cast<unsigned char>(a.text[0]),
                          fb = static_cast<unsigned char>(b.text[0]);
      return fa < fb || (fa == fb && !keywords && a.text.size() > b.text.size());
    };
    std::size_t n = 0;
    for (const Lexeme& l : kLexemes) {
      if (is_keyword(l) != keywords) continue;
      std::size_t i = n++;
      for (; i > 0 && before(l, by_first[i - 1]); --i) by_first[i] = by_first[i - 1];
      by_first[i] = l;
    }
    for (std::size_t i = n; i-- > 0;)
      begin[static_cast<unsigned char>(by_first[i].text[0])] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < n; ++i)
      end[static_cast<unsigned char>(by_first[i].text[0])] = static_cast<std::uint8_t>(i + 1);
  }
};
static_assert(std::size(kLexemes) < 256);
constexpr LexemeIndex kKeywordIndex(true);
constexpr LexemeIndex kOperatorIndex(false);

// The eight bytes of padded text from s[p] as one word, the first byte
// lowest. Constant evaluation (the checks below, on unpadded lexemes) reads
// no byte past the end, taking them as the NUL the padding starts with.
constexpr std::uint64_t load8(const char* s, std::size_t p, std::size_t n) {
  std::uint64_t w = 0;
  if (std::is_constant_evaluated()) {
    for (std::size_t i = 0; i < 8; ++i)
      if (p + i < n) w |= std::uint64_t{static_cast<unsigned char>(s[p + i])} << (8 * i);
    return w;
  }
  std::memcpy(&w, s + p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

// The token of the identifier-shaped run `word`: a keyword when the whole run
// is one, else VAR. Out of line, so that the comparisons leave the parse
// loop's registers alone.
[[gnu::noinline]] constexpr Tok keyword_or_var(std::string_view word) {
  if (word.size() <= kLongestKeyword) {
    const unsigned char first = static_cast<unsigned char>(word[0]);
    for (int i = kKeywordIndex.begin[first]; i < kKeywordIndex.end[first]; ++i)
      if (kKeywordIndex.by_first[i].text == word) return kKeywordIndex.by_first[i].tok;
  }
  return Tok::VAR;
}

[[noreturn]] void empty_token(std::size_t at) { throw EvalFailure(FailureCode::lexical, Span{at, at + 1}); }

// A bit for each byte that is the second byte of a matched lexeme: a token's
// first two bytes tell in one test whether a lexeme longer than one byte may
// start there.
struct SecondBytes {
  std::uint32_t bit[256] = {};
  bool seen[256] = {};
  int count = 0;  // distinct second bytes
  constexpr SecondBytes() {
    for (const Lexeme& l : kLexemes) {
      if (is_keyword(l) || l.text.size() < 2) continue;
      const unsigned char b = static_cast<unsigned char>(l.text[1]);
      if (seen[b]) continue;
      seen[b] = true;
      if (count < 32) bit[b] = std::uint32_t{1} << count;
      ++count;
    }
  }
};
constexpr SecondBytes kSecondBytes;
static_assert(kSecondBytes.count <= 32, "more distinct second bytes than SecondBytes::bit has bits");

// What a token's first byte tells. `op`: a one-byte lexeme that is not a
// comment opener, made from the table alone unless the next byte is the
// second byte of a longer lexeme; `matched`: only the lexemes of kOperatorIndex can
// start here; `number` and `name` send the lexer to those forms; `space`:
// white space, skipped; `none`: no token starts with this byte.
enum class Family : std::uint8_t { none, op, matched, number, name, space };

struct FirstByte {
  Family family = Family::none;
  Tok one = Tok::END;        // op: the one-byte lexeme's kind
  std::uint32_t longer = 0;  // the kSecond bits of the second bytes of the longer lexemes
};

struct FirstTable {
  FirstByte e[256] = {};
  constexpr FirstTable() {
    for (int c = 0; c < 256; ++c) {
      FirstByte& f = e[c];
      for (int i = kOperatorIndex.begin[c]; i < kOperatorIndex.end[c]; ++i) {
        const Lexeme& l = kOperatorIndex.by_first[i];
        if (f.family == Family::none) f.family = Family::matched;
        if (l.text.size() == 1 && l.tok != Tok::COMMENT) {
          f.family = Family::op;
          f.one = l.tok;
        }
        if (l.text.size() >= 2) f.longer |= kSecondBytes.bit[static_cast<unsigned char>(l.text[1])];
      }
    }
    for (int b = '0'; b <= '9'; ++b) e[b].family = Family::number;
    e[static_cast<unsigned char>('.')].family = Family::number;
    for (int b = 0; b < 256; ++b) {
      if (in_class(static_cast<unsigned char>(b), kIdStart)) e[b].family = Family::name;
      if (in_class(static_cast<unsigned char>(b), kSpace)) e[b].family = Family::space;
    }
  }
};
constexpr FirstTable kFirstBytes;

// The value of eight digit values (0 to 9), one a byte, the first lowest:
// pairs, then fours, then all eight combined, by three multiplications.
constexpr std::uint64_t eight_digits(std::uint64_t v) {
  v = ((v & 0x0F0F0F0F0F0F0F0Full) * (10 * 256 + 1)) >> 8;
  v = ((v & 0x00FF00FF00FF00FFull) * (100 * 65536 + 1)) >> 16;
  return ((v & 0x0000FFFF0000FFFFull) * (10000 * (std::uint64_t{1} << 32) + 1)) >> 32;
}

// A number that ends within the eight bytes of w (the bytes from its start):
// its length, its digits' value and the number of digits after the point.
struct WordNumber {
  std::size_t length = 0;  // 0: the number does not end within w, or is "."
  std::uint64_t digits = 0;
  std::size_t fraction = 0;
};

// Reads a number from one word, without a branch that depends on its digits.
// The bytes, xored with "0", make the digits 0 to 9; every other byte has a
// bit of its high half set in x or in x + 6 (a carry out of a byte can only
// follow a byte that is not a digit, and the point makes none). The first
// such byte ends the whole part; when it is the point, the next one ends the
// fraction. The fraction's digits are moved down over the point, and all of
// them, moved to the top of the word, give their value at once.
[[gnu::always_inline]] constexpr WordNumber number_in_word(std::uint64_t w) {
  const std::uint64_t x = w ^ 0x3030303030303030ull;
  const std::uint64_t other = (x | (x + 0x0606060606060606ull)) & 0xF0F0F0F0F0F0F0F0ull;
  if (other == 0) return {};  // eight digits or more
  const int whole = std::countr_zero(other) / 8;
  const bool point = ((w >> (8 * whole)) & 0xFF) == '.';
  const std::uint64_t after = point ? other & ~(std::uint64_t{0xFF} << (8 * whole)) : other;
  if (after == 0) return {};  // the fraction goes on past the word
  const int end = std::countr_zero(after) / 8;
  const int count = end - point;
  if (count == 0) return {};  // "." alone
  const std::uint64_t low = (std::uint64_t{1} << (8 * whole)) - 1;
  const std::uint64_t joined = point ? (x & low) | ((x >> 8) & ~low) : x;
  return {static_cast<std::size_t>(end), eight_digits(joined << (64 - 8 * count)),
          static_cast<std::size_t>(point ? end - whole - 1 : 0)};
}

// The length of the run of decimal digits at s[q] (the NUL after the text
// ends it), with m multiplied by ten and increased by each digit in turn
// when `accumulate` is set (wrapping silently when the run is long: the
// caller then does not use m).
template <bool accumulate>
[[gnu::always_inline]] constexpr std::size_t digit_run(const char* s, std::size_t q, std::uint64_t& m) {
  const std::size_t from = q;
  while (in_class(static_cast<unsigned char>(s[q]), kDigit)) {
    if constexpr (accumulate) m = m * 10 + static_cast<unsigned>(s[q] - '0');
    ++q;
  }
  return q - from;
}

// Exact powers of ten: every one up to 10^22 is a double.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The number of the lexeme at text offset `at`.
double convert_number(std::string_view lexeme, std::size_t at) {
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
    throw EvalFailure(FailureCode::bad_number, Span{at, at + lexeme.size()});
  return value;
}

// The length of the longest of the lexemes of kOperatorIndex that starts at
// text[p], whose kind goes to *tok; 0 when none does. A comment runs to the
// end of the text; there is no closing delimiter.
[[gnu::noinline]] constexpr std::size_t matched_lexeme(std::string_view text, std::size_t p, Tok* tok) {
  const unsigned char c = static_cast<unsigned char>(text[p]);
  for (int i = kOperatorIndex.begin[c]; i < kOperatorIndex.end[c]; ++i) {
    const Lexeme& l = kOperatorIndex.by_first[i];
    if (text.substr(p, l.text.size()) == l.text) {
      *tok = l.tok;
      return l.tok == Tok::COMMENT ? text.size() - p : l.text.size();
    }
  }
  return 0;
}

// The lexer proper, inlined into `scan` (which the parse loop inlines in turn,
// through link-time optimisation), `scan_wide` and `scan_with`. Each trick
// sits beside the plain code it replaces.
template <LexTricks kTricks>
[[gnu::always_inline]] constexpr Tok lex(const char* s, std::size_t n, std::size_t& pos, std::size_t& start,
                                         double* number) {
  const std::string_view text(s, n);
  std::size_t p = pos;
  // White space: the blanks that precede most tokens by a comparison with
  // the blank alone (the NUL after the text ends the run), other white space
  // by its family, below: no class-table load for the commonest byte.
  for (;;) {
    while (s[p] == ' ') ++p;
    start = p;
    pos = p;

    auto make = [&](Tok t, std::size_t len) {
      pos = p + len;
      return t;
    };

    const unsigned char c = static_cast<unsigned char>(s[p]);
    const FirstByte& first = kFirstBytes.e[c];
    if (first.family == Family::op) {
      // A one-byte operator, unless the next byte may continue a longer lexeme
      // ("**", "<=", "//", "()", ...): one table test of both bytes instead of
      // a longest-match search at every operator (at the end of the text the
      // next byte is the NUL, which continues nothing).
      // Trick second-byte-test; plain: LexTricks{.second_byte_test = false}; bench: Lexer/all_tricks vs Lexer/no_second_byte_test.
      if (!kTricks.second_byte_test ||
          (kSecondBytes.bit[static_cast<unsigned char>(s[p + 1])] & first.longer) != 0) {
        Tok t = first.one;
        const std::size_t len = matched_lexeme(text, p, &t);  // at least the one-byte lexeme
        return make(t, len);
      }
      return make(first.one, 1);
    }
    if (first.family == Family::number) {
      // Number: digits ["." digits] or "." digits; no sign, no exponent.
      // The digits are gathered into m on the way. With at most 15 digits m is
      // below 10^15 (so below 2^53), the fraction has at most 15 digits, m and
      // 10^k are exact doubles and one correctly rounded division gives the
      // double nearest to m / 10^k; longer numbers go through the general
      // conversion (the plain code's only one), which costs far more.
      // Trick exact-numbers; plain: LexTricks{.exact_numbers = false}; bench: NumberReading/exact_division vs NumberReading/plain_from_chars, Lexer/all_tricks vs Lexer/no_exact_numbers.
      constexpr bool exact = kTricks.exact_numbers;
      if (kTricks.number_words && exact) {
        // A number of up to seven bytes from one word: no branch a digit and
        // none on whether it has a point, so the mispredicted end of each
        // digit run is saved.
        // Trick number-words; plain: LexTricks{.number_words = false}; bench: Lexer/all_tricks vs Lexer/no_number_words.
        const WordNumber word = number_in_word(load8(s, p, n));
        if (word.length != 0) {
          make(Tok::VAL, word.length);
          *number = static_cast<double>(word.digits) / kPow10[word.fraction];
          return Tok::VAL;
        }
      }
      std::uint64_t m = 0;
      std::size_t q = p + digit_run<exact>(s, p, m);
      const std::size_t whole = q - p;
      std::size_t fraction = 0;
      if (s[q] == '.') {
        ++q;
        fraction = digit_run<exact>(s, q, m);
        q += fraction;
      }
      make(Tok::VAL, q - p);
      if (exact && whole + fraction <= 15 && whole + fraction != 0)  // "." alone has no digit
        *number = static_cast<double>(m) / kPow10[fraction];
      else
        *number = convert_number(std::string_view(s + p, q - p), p);
      return Tok::VAL;
    }
    if (first.family == Family::name) {
      // Identifier, or a lower-case keyword when the whole run is one.
      std::size_t q = p + 1;
      while (in_class(static_cast<unsigned char>(s[q]), kIdCont)) ++q;
      return make(keyword_or_var(std::string_view(s + p, q - p)), q - p);
    }
    if (first.family == Family::matched) {
      // Comment openers and the upper-case words, complete by themselves: they
      // never grow into names ("PIE" is PI, E_NOTATION).
      Tok t = Tok::END;
      if (std::size_t len = matched_lexeme(text, p, &t)) return make(t, len);
    }
    if (first.family == Family::space) {
      ++p;
      continue;
    }
    // The end of the text (its NUL), or a byte of no class, a tilde, another
    // upper-case letter, an incomplete upper-case word.
    if (p == n) return Tok::END;
    empty_token(p);
  }
}

// Every fixed lexeme, as a whole text, is read back as its own kind and in
// full: none is shadowed by another form, by another lexeme or by the byte
// classes (a keyword that is not identifier-shaped, an operator that starts
// with a digit, the same text twice).
constexpr bool every_lexeme_reads_back() {
  for (const Lexeme& l : kLexemes) {
    // Unpadded, which constant evaluation allows: it reads nothing past the
    // literal's NUL (see load8).
    std::size_t pos = 0, start = 0;
    double number = 0.0;
    if (l.text.empty() || lex<LexTricks{}>(l.text.data(), l.text.size(), pos, start, &number) != l.tok ||
        pos != l.text.size())
      return false;
  }
  return true;
}
static_assert(every_lexeme_reads_back(), "a lexeme of tokens.txt is not read back as its kind");

}  // namespace

Tok scan(PaddedView text, std::size_t& pos, std::size_t& start, double* number) {
  return lex<LexTricks{}>(text.text().data(), text.text().size(), pos, start, number);
}

[[gnu::noinline]] Tok scan_wide(PaddedView text, std::size_t& pos, std::size_t& start, double* number) {
  return lex<LexTricks{}>(text.text().data(), text.text().size(), pos, start, number);
}

template <LexTricks kTricks>
Tok scan_with(PaddedView text, std::size_t& pos, std::size_t& start, double* number) {
  return lex<kTricks>(text.text().data(), text.text().size(), pos, start, number);
}
// The variants the micro-benchmarks weigh: every trick, each one left out,
// none.
template Tok scan_with<LexTricks{}>(PaddedView, std::size_t&, std::size_t&, double*);
template Tok scan_with<LexTricks{.second_byte_test = false}>(PaddedView, std::size_t&, std::size_t&, double*);
template Tok scan_with<LexTricks{.exact_numbers = false}>(PaddedView, std::size_t&, std::size_t&, double*);
template Tok scan_with<LexTricks{.number_words = false}>(PaddedView, std::size_t&, std::size_t&, double*);
template Tok scan_with<LexTricks{false, false, false}>(PaddedView, std::size_t&, std::size_t&, double*);

}  // namespace zorm
