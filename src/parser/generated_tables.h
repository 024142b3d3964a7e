// The generated parse tables (see grammar.y and tools/lalrgen.py).
#pragma once

#include <cstdint>
#include <string_view>

#include "lexer/lexer.h"

namespace zorm::tables {
#include "parser/parse_tables.inc"

// The tables number the terminals as the lexer numbers its token kinds: the
// grammar and the lexer were generated from the same vocabulary.
constexpr bool terminals_are_the_token_kinds() {
  if (kTermCount != kTokCount + 1 || kTerminals[kTokCount] != "error") return false;
  for (int t = 0; t < kTokCount; ++t)
    if (kTerminals[t] != tok_name(static_cast<Tok>(t))) return false;
  return true;
}
static_assert(terminals_are_the_token_kinds(),
              "parse_tables.inc and tokens.inc disagree on the token kinds: regenerate both from tokens.txt");

}  // namespace zorm::tables
