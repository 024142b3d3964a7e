// Completion at the terminal: which words are offered where.
#include "terminal/completion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lexer/lexer.h"
#include "report/failure.h"
#include "util/padded.h"
#include "parser/variables.h"

namespace zorm {
namespace {

using Words = std::vector<std::string>;

// Completions of the word that ends the line, with the line editor's word
// breaks.
Words complete(std::string_view line, const VarTable* vars = nullptr) {
  return completions(line, word_start(line), line.size(), vars);
}

TEST(Completion, EveryBuiltinWordIsOneFixedToken) {
  // A word offered must be read back as the keyword, not as a name.
  for (const std::string& word : complete("")) {
    const PaddedString padded(word);
    std::size_t pos = 0, start = 0;
    double number = 0;
    Tok first = Tok::END;
    EXPECT_NO_THROW(first = scan(padded.view(), pos, start, &number)) << word;
    EXPECT_NE(first, Tok::VAR) << word;
    EXPECT_EQ(pos, word.size()) << word;
    EXPECT_EQ(scan(padded.view(), pos, start, &number), Tok::END) << word;
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
TEST(Completion, TabExtendsToTheCommonPrefix) {
  EXPECT_EQ(completed_word({"sin", "sine_table", "sinh"}), "sin");
  EXPECT_EQ(completed_word({"factorial"}), "factorial ");
}

TEST(Completion, ListingFillsColumnsDownTheScreen) {
  // Width 6 a column ("sinh" and two blanks): three to a 20-column row.
  EXPECT_EQ(completion_listing({"a", "b", "c", "d", "sinh"}, 20), "\na     c     sinh\nb     d\n");
  EXPECT_EQ(completion_listing({"a", "b"}, 1), "\na\nb\n");
}

}  // namespace zorm
