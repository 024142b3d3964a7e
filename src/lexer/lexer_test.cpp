// Token streams of statements, with their offsets and failures.
#include "lexer/lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "report/failure.h"
#include "support/lex_cursor.h"

namespace zorm {
namespace {

// "KIND@start-end" for each token up to END, "!message@offset" on a failure.
std::string dump(std::string_view text) {
  testing::LexCursor cursor(text);
  std::string out;
  for (;;) {
    double number = 0.0;
    Tok t;
    try {
      t = cursor.next(&number);
    } catch (const EvalFailure& e) {
      return out + "!" + e.what() + "@" + std::to_string(cursor.token_end());
    }
    out += std::string(tok_name(t));
    if (t == Tok::VAR) out += "(" + std::string(cursor.lexeme()) + ")";
    out += "@" + std::to_string(cursor.token_start()) + "-" + std::to_string(cursor.token_end()) + " ";
    if (t == Tok::END) return out;
  }
}

struct Case {
  std::string_view text;
  std::string_view want;
};

TEST(Lexer, TokenStreams) {
  const Case kCases[] = {
      {"", "END@0-0 "},
      {"   ", "END@3-3 "},
      {"x - 1", "VAR(x)@0-1 MINUS@2-3 VAL@4-5 END@5-5 "},
      {"x-1", "VAR(x-1)@0-3 END@3-3 "},
      {"2-1", "VAL@0-1 MINUS@1-2 VAL@2-3 END@3-3 "},
      {"@vars", "CMD@0-1 VAR(vars)@1-5 END@5-5 "},
      {"#3", "RANDOM@0-1 VAL@1-2 END@2-2 "},
      {"1 // note", "VAL@0-1 COMMENT@2-9 END@9-9 "},
      {"\t1\n", "VAL@1-2 END@3-3 "},
      {"1\r", "VAL@0-1 !lexing: empty token@1"},
      {"<--", "ASSIGN@0-2 MINUS@2-3 END@3-3 "},
      {"&&&", "AND@0-2 !lexing: empty token@2"},
      {"<=>", "LESS_EQUAL@0-2 GREATER@2-3 END@3-3 "},
      {"x+++y", "VAR(x)@0-1 INCR@1-3 PLUS@3-4 VAR(y)@4-5 END@5-5 "},
      {"***", "POW@0-2 TIMES@2-3 END@3-3 "},
      {"^^^", "XOR@0-2 POW@2-3 END@3-3 "},
      {"===", "EQUALS@0-2 ASSIGN@2-3 END@3-3 "},
      {"|||", "OR@0-2 BAR@2-3 END@3-3 "},
      {"|= <> != := <-", "NOT_EQUAL@0-2 NOT_EQUAL@3-5 NOT_EQUAL@6-8 ASSIGN@9-11 ASSIGN@12-14 END@14-14 "},
      {"() ( )", "UNIT@0-2 LPAR@3-4 RPAR@5-6 END@6-6 "},
      {"(*) x", "COMMENT@0-5 END@5-5 "},
      {"/* a */ 1", "COMMENT@0-9 END@9-9 "},
      {"' x", "COMMENT@0-3 END@3-3 "},
      {"f' x'y", "VAR(f')@0-2 VAR(x'y)@3-6 END@6-6 "},
      {"sin h sinh sinx sin2 sin(2)", "SIN@0-3 VAR(h)@4-5 SINH@6-10 VAR(sinx)@11-15 VAR(sin2)@16-20 SIN@21-24 LPAR@24-25 VAL@25-26 RPAR@26-27 END@27-27 "},
      {"pi.5 pi2 e5 e_ then1", "PI@0-2 VAL@2-4 VAR(pi2)@5-8 VAR(e5)@9-11 VAR(e_)@12-14 VAR(then1)@15-20 END@20-20 "},
      {"Pix PIE E5 EE", "PI@0-2 VAR(x)@2-3 PI@4-6 E_NOTATION@6-7 E_NOTATION@8-9 VAL@9-10 E_NOTATION@11-12 E_NOTATION@12-13 END@13-13 "},
      {"TRUEx true2 FALSE", "TRUE@0-4 VAR(x)@4-5 VAR(true2)@6-11 FALSE@12-17 END@17-17 "},
      {"pI", "VAR(pI)@0-2 END@2-2 "},
      {"TRU", "!lexing: empty token@0"},
      {"P", "!lexing: empty token@0"},
      {"X", "!lexing: empty token@0"},
      {"~", "!lexing: empty token@0"},
      {"x~y", "VAR(x~y)@0-3 END@3-3 "},
      {"1e5 1e-5 1E5 3e", "VAL@0-1 VAR(e5)@1-3 VAL@4-5 VAR(e-5)@5-8 VAL@9-10 E_NOTATION@10-11 VAL@11-12 VAL@13-14 E_NOTATION@14-15 END@15-15 "},
      {"0x10 1_5", "VAL@0-1 VAR(x10)@1-4 VAL@5-6 VAR(_5)@6-8 END@8-8 "},
      {"1.2.3 5. .5 007", "VAL@0-3 VAL@3-5 VAL@6-8 VAL@9-11 VAL@12-15 END@15-15 "},
      {".", "!float_of_string@1"},
      {"1 + .a", "VAL@0-1 PLUS@2-3 !float_of_string@5"},
      {"nint r th ch sh", "ROUND@0-4 SQRT@5-6 TANH@7-9 COSH@10-12 SINH@13-15 END@15-15 "},
      {"and in or fact", "DECL_AND@0-3 DECL_IN@4-6 VAR(or)@7-9 VAR(fact)@10-14 END@14-14 "},
      {"mod modulo % not xor", "MODULO@0-3 MODULO@4-10 MODULO@11-12 NOT@13-16 XOR@17-20 END@20-20 "},
      {"$", "!lexing: empty token@0"},
      {"\"", "!lexing: empty token@0"},
      {std::string_view("\0", 1), "!lexing: empty token@0"},
      {"\xc3\xa9", "!lexing: empty token@0"},
  };
  for (const Case& c : kCases) EXPECT_EQ(dump(c.text), c.want) << c.text;
}

TEST(Lexer, NumberValues) {
  struct NumberCase {
    std::string_view text;
    double want;
  };
  const NumberCase kCases[] = {
      {"5.", 5.0},   {".5", 0.5},   {"007", 7.0},  {"0.1", 0.1},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
  };
  for (const NumberCase& c : kCases) {
    testing::LexCursor cursor(c.text);
    double v = 0.0;
    ASSERT_EQ(cursor.next(&v), Tok::VAL) << c.text;
    EXPECT_EQ(v, c.want) << c.text;
  }
  std::string huge(400, '9');
  testing::LexCursor big(huge);
  double v = 0.0;
  ASSERT_EQ(big.next(&v), Tok::VAL);
  EXPECT_TRUE(std::isinf(v) && v > 0);
  std::string tiny = "0." + std::string(400, '0') + "1";
  testing::LexCursor small(tiny);
  ASSERT_EQ(small.next(&v), Tok::VAL);
  EXPECT_EQ(v, 0.0);
}

TEST(Lexer, EndRepeats) {
  testing::LexCursor cursor("1");
  double v;
  EXPECT_EQ(cursor.next(&v), Tok::VAL);
  EXPECT_EQ(cursor.next(&v), Tok::END);
  EXPECT_EQ(cursor.next(&v), Tok::END);
  EXPECT_EQ(cursor.token_start(), 1u);
  EXPECT_EQ(cursor.token_end(), 1u);
}

}  // namespace
}  // namespace zorm
