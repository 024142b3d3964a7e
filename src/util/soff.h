// soff: the one conversion of a number to the text the user sees.
#pragma once

#include <cstddef>
#include <string>

namespace zorm {

// Longest text soff can produce ("-1.23456789012e-308" and the like fit easily).
inline constexpr std::size_t kSoffMax = 32;

// Writes the text of x into out (at least kSoffMax bytes) and returns its length.
// Integral values in [-2^30, 2^30 - 1] print as plain integers (negative zero as
// "0"); everything else prints as "%.12g" would, with a "." appended when that
// text holds only digits and "-".
std::size_t soff(double x, char* out);

std::string soff(double x);

// "%.12g" of x, as std::to_chars(..., std::chars_format::general, 12) writes
// it, when that text has no exponent and x is at least 1e-4 in size (the
// common results), computed with exact 128-bit fixed-point arithmetic; 0 when
// the caller has to format x itself. soff's fast path.
std::size_t g12_fixed(double x, char* out);

}  // namespace zorm
