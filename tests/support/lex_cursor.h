// Test-only: a cursor for calling the lexer one token at a time over a padded
// copy of a statement, as the parse loop calls it.
#pragma once

#include <cstddef>
#include <string_view>

#include "lexer/lexer.h"
#include "util/padded.h"

namespace zorm::testing {

class LexCursor {
 public:
  explicit LexCursor(std::string_view text) : text_(text) {}
  // The next token (see scan).
  Tok next(double* number) { return scan(text_.view(), pos_, start_, number); }
  // The offsets of the last token read, or of the offending byte.
  std::size_t token_start() const { return start_; }
  std::size_t token_end() const { return pos_; }
  std::string_view lexeme() const { return text_.view().text().substr(start_, pos_ - start_); }

 private:
  PaddedString text_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;
};

}  // namespace zorm::testing
