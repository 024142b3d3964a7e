// Completion at the terminal: which words are offered where.
#ifdef ZORM_HAVE_LIBEDIT

#include "driver/lineedit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer/mathcommon.h"
#include "lexer/mathlexer.h"
#include "parser/vars.h"

namespace zorm {
namespace {

using Words = std::vector<std::string>;

// Completions of the word that ends the line, with the line editor's word
// breaks.
Words complete(std::string_view line, const VarTable* vars = nullptr) {
  std::size_t start = line.find_last_of(std::string_view(kWordBreaks));
  start = start == std::string_view::npos ? 0 : start + 1;
  return completions(line, start, line.size(), vars);
}

TEST(Completion, EveryBuiltinWordIsOneFixedToken) {
  // A word offered must be read back as the keyword, not as a name.
  for (const std::string& word : complete("")) {
    const PaddedString padded(word);
    InputBuffer buf(padded.view());
    double number = 0;
    Tok first = Tok::END;
    EXPECT_NO_THROW(first = token(buf, &number)) << word;
    EXPECT_NE(first, Tok::VAR) << word;
    EXPECT_EQ(buf.token_end, word.size()) << word;
    EXPECT_EQ(token(buf, &number), Tok::END) << word;
  }
}

TEST(Completion, WordsByPlace) {
  VarTable vars;
  vars.bind("velocity", 12);
  vars.bind("sine_table", 1);
  vars.bind("x-1", 3);
  const struct {
    std::string_view line;
    Words expected;
  } cases[] = {
      {"fact", {"factorial"}},
      {"si", {"sin", "sine_table", "sinh"}},
      {"2*si", {"sin", "sine_table", "sinh"}},  // after an operator
      {"2si", {"2sin", "2sine_table", "2sinh"}},  // the name starts after the digits
      {"1 + velo", {"velocity"}},
      {"x-", {"x-1"}},                           // "-" continues a name
      {"P", {"PI", "Pi"}},
      {"@va", {"vars"}},
      {" @ e", {"erase", "exit"}},
      {"@", {"clear", "erase", "exit", "h", "help", "quit", "table", "vars"}},
      {"1 + @ex", {"exp"}},                      // "@" is a command only first
      {"12", {}},
      {"zz", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(complete(c.line, &vars), c.expected) << c.line;
  EXPECT_EQ(complete("velo"), Words{}) << "no table, no bound names";
}

}  // namespace
}  // namespace zorm

#endif  // ZORM_HAVE_LIBEDIT
