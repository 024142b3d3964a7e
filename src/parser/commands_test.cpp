// The command words as the lexer reads them.
#include "parser/commands.h"

#include <gtest/gtest.h>

#include "lexer/mathlexer.h"

namespace zorm {
namespace {

TEST(Commands, EveryCommandWordIsReadAsAName) {
  // "@" takes one VAR: a command word that were a keyword could never run.
  for (const CommandWord& c : kCommands) {
    const PaddedString padded(c.word);
    InputBuffer buf(padded.view());
    double number = 0;
    EXPECT_EQ(token(buf, &number), Tok::VAR) << c.word;
    EXPECT_EQ(buf.token_end, c.word.size()) << c.word;
  }
}

}  // namespace
}  // namespace zorm
