// The command words as the lexer reads them.
#include "parser/commands.h"

#include <gtest/gtest.h>

#include "lexer/lexer.h"
#include "support/lex_cursor.h"

namespace zorm {
namespace {

TEST(Commands, EveryCommandWordIsReadAsAName) {
  // "@" takes one VAR: a command word that were a keyword could never run.
  for (const CommandWord& c : kCommands) {
    testing::LexCursor cursor(c.word);
    double number = 0;
    EXPECT_EQ(cursor.next(&number), Tok::VAR) << c.word;
    EXPECT_EQ(cursor.token_end(), c.word.size()) << c.word;
  }
}

}  // namespace
}  // namespace zorm
