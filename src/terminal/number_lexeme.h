// The text that puts a result back into a statement: a number the lexer
// reads as exactly the same double.
#pragma once

#include <optional>
#include <string>

namespace zorm {

// The shortest digits ["." digits] that read back as x exactly (the lexer's
// number lexeme has no exponent, so a very large or very small x takes many
// digits); a negative x (or negative zero) as "(-" digits ")", which reads
// back the same wherever an operand may stand. None for NaN and the
// infinities, which no text of the language gives.
std::optional<std::string> number_lexeme(double x);

}  // namespace zorm
