// The lexer: token kinds, the per-statement input buffer, and `token`, which
// makes one token on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "util/padded.h"

namespace zorm {

// The token kinds (`Tok`, in their fixed order; UPLUS and UMINUS are never
// produced, they only name precedence levels of the grammar), their names
// (`kTokNames`) and every fixed lexeme with its kind (`kLexemes`), generated
// from tokens.txt.
#include "lexer/tokens.inc"

// The name of a token kind ("VAL", "PLUS", ...).
constexpr std::string_view tok_name(Tok t) { return kTokNames[static_cast<int>(t)]; }

// The byte classes of the lexical rules, as bits: white space, identifier
// start, identifier continuation, digit. Every other byte (control bytes other
// than the white space, bytes from 0x80 up) is in no class.
inline constexpr unsigned char kSpace = 1, kIdStart = 2, kIdCont = 4, kDigit = 8;

struct ByteClasses {
  unsigned char c[256] = {};
  constexpr ByteClasses() {
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
inline constexpr ByteClasses kByteClasses;

// Whether `byte` is in one of the classes `cls`.
constexpr bool in_class(unsigned char byte, unsigned char cls) { return (kByteClasses.c[byte] & cls) != 0; }

// One statement's text and the lexer's position in it. All offsets are
// zero-based byte offsets; token_start/token_end describe the last token
// returned (END: both equal the length). The text is padded (see PaddedView):
// the NUL after it ends every run of digits, letters or blanks, so the lexer
// tests the bounds once a token rather than once a byte.
struct InputBuffer {
  std::string_view text = PaddedView().text();
  std::size_t pos = 0;
  std::size_t token_start = 0;
  std::size_t token_end = 0;

  constexpr InputBuffer() = default;
  constexpr explicit InputBuffer(PaddedView t) : text(t.text()) {}
  constexpr std::string_view lexeme() const { return text.substr(token_start, token_end - token_start); }
  constexpr PaddedView padded() const { return PaddedView::trusted(text); }
};

// Skips white space and returns the next token, recording its offsets in buf.
// A VAL's number is stored in *number; a VAR's name is buf.lexeme().
// Raises EvalFailure("lexing: empty token") where no token can be formed (the
// offending byte is not consumed: buf.pos and buf.token_start are its
// offset) and EvalFailure("float_of_string") for the number text ".".
//
// The plain lexer is one loop over the bytes: blanks skipped, the first byte
// of a token choosing its form, the longest fixed lexeme that matches,
// digits and name bytes one at a time, std::from_chars for the number, the
// name compared with the keywords. Its speed tricks (below) keep that shape.
Tok token(InputBuffer& buf, double* number);
// The lexer's speed tricks, all of which `token` uses. token_with builds the
// lexer with a choice of them, so that the micro-benchmarks (bench/) weigh
// each against the plain code it replaces; it is instantiated for every
// trick left out alone, for all of them and for none.
struct LexTricks {
  bool second_byte_test = true;  // one table test tells a one-byte operator from a longer lexeme
  bool exact_numbers = true;     // up to 15 digits: an integer divided by a power of ten
  bool number_words = true;      // a short number read from one word (needs exact_numbers)
};
template <LexTricks kTricks>
Tok token_with(InputBuffer& buf, double* number);

// `token` on a position of the caller's, which the parse loop keeps in a
// register through the statement: reads the token at or after text[pos],
// sets start to its first byte and pos past its last. On a failure, start
// and pos are the offending byte's offset.
Tok scan(PaddedView text, std::size_t& pos, std::size_t& start, double* number);
// `scan` for statements of 4 GiB or more: a separate caller, so that `scan`
// itself stays inlined into the common parse loop.
Tok scan_wide(PaddedView text, std::size_t& pos, std::size_t& start, double* number);

}  // namespace zorm
