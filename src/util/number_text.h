// number_text: the one conversion of a number to the text the user sees.
#pragma once

#include <cstddef>
#include <string>

namespace zorm {

// Longest text number_text can produce ("-1.23456789012e-308" and the like fit easily).
inline constexpr std::size_t kNumberTextMax = 32;

// Writes the text of x into out (at least kNumberTextMax bytes) and returns its length.
// Integral values in [-2^30, 2^30 - 1] print as plain integers (negative zero as
// "0"); everything else prints as "%.12g" would, with a "." appended when that
// text holds only digits and "-".
//
// The plain version is exactly that: std::to_chars of the integer, or
// std::to_chars(..., std::chars_format::general, 12) and a scan of its text
// for the point. number_text takes a faster path (number_text_fixed) for the common results.
std::size_t number_text(double x, char* out);

std::string number_text(double x);

// number_text's text of x when x is a normal number whose "%.12g" text has no
// exponent (at least 1e-4 in size and below 1e12 once rounded to 12 digits):
// the 12 digits made exactly from the double's bits, with the point in place
// (number_text's added point included). Returns 0 for every other x, which the
// caller formats the plain way. number_text's fast path.
std::size_t number_text_fixed(double x, char* out);

}  // namespace zorm
