// The lexer: token kinds, byte classes, and `scan`, which makes one token on
// demand.
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

// Reads the token at or after text[pos] of a statement: skips white space,
// sets `start` to the token's first byte and `pos` past its last, and returns
// its kind (END at the end of the text, with start == pos == its length). A
// VAL's number goes to *number; a VAR's name is text[start, pos). The text is
// padded (see PaddedView): the NUL after it ends every run of digits, letters
// or blanks, so the lexer tests the bounds once a token rather than once a
// byte. The parse loop keeps `pos` in a register through the statement.
//
// Raises EvalFailure("lexing: empty token") where no token can be formed
// (start and pos are then the offending byte's offset, which the failure's
// span holds) and EvalFailure("float_of_string") for the number text ".".
//
// The plain lexer is one loop over the bytes: blanks skipped, the first byte
// of a token choosing its form, the longest fixed lexeme that matches,
// digits and name bytes one at a time, std::from_chars for the number, the
// name compared with the keywords. Its speed tricks (below) keep that shape.
Tok scan(PaddedView text, std::size_t& pos, std::size_t& start, double* number);
// `scan` for statements of 4 GiB or more: a separate caller, so that `scan`
// itself stays inlined into the common parse loop.
Tok scan_wide(PaddedView text, std::size_t& pos, std::size_t& start, double* number);

// The lexer's speed tricks, all of which `scan` uses. scan_with builds the
// lexer with a choice of them, so that the micro-benchmarks (bench/) weigh
// each against the plain code it replaces; it is instantiated for every
// trick left out alone, for all of them and for none.
struct LexTricks {
  bool second_byte_test = true;  // one table test tells a one-byte operator from a longer lexeme
  bool exact_numbers = true;     // up to 15 digits: an integer divided by a power of ten
  bool number_words = true;      // a short number read from one word (needs exact_numbers)
};
template <LexTricks kTricks>
Tok scan_with(PaddedView text, std::size_t& pos, std::size_t& start, double* number);

}  // namespace zorm
