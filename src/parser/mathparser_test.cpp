// Statements through the evaluator: values, grouping, and when each
// production completes relative to the point of failure.
#include "parser/mathparser.h"

#include <gtest/gtest.h>

#include <string>

#include "support/session_fixture.h"

namespace zorm {
namespace {

using testing::SessionFixture;

struct Case {
  std::string_view setup;  // statements evaluated first, their output dropped
  std::string_view text;
  std::string_view result;  // result text
  std::string_view output;  // stdout and stderr as merged, of `text` alone
};

void check(const Case& c) {
  SessionFixture f;
  std::string setup(c.setup);
  for (std::size_t at = 0; !setup.empty();) {
    std::size_t nl = setup.find('\n', at);
    f.session().str(setup.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  std::size_t before = f.merged().size();
  std::string result(f.session().str(c.text));
  EXPECT_EQ(result, c.result) << c.text;
  EXPECT_EQ(f.merged().substr(before), c.output) << c.text;
}

TEST(Evaluator, PrecedenceAndReach) {
  const Case kCases[] = {
      {"", "1 - 2 - 3", "-4", ""},
      {"", "8 / 4 / 2", "1", ""},
      {"", "10 % 4 % 3", "2", ""},
      {"", "7 - 3 % 2", "6", ""},
      {"", "2 * 3 % 4", "6", ""},
      {"", "2 % 3 * 4", "8", ""},
      {"", "2*3^2", "18", ""},
      {"", "2^3*2", "16", ""},
      {"", "2^3^2", "64", ""},
      {"", "-2^2", "4", ""},
      {"", "2^-1", "0.5", ""},
      {"", "-2^-2", "0.25", ""},
      {"", "2^-2^2", "0.0625", ""},
      {"", "sqrt -4^2", "4", ""},
      {"x = 2", "-x^2", "4", ""},
      {"", "- - 2", "2", ""},
      {"", "+ -2", "-2", ""},
      {"", "E2", "100", ""},
      {"", "-2 E 2", "-200", ""},
      {"", "2 E -3", "0.002", ""},
      {"", "2 E 3 ^ 2", "4000000", ""},
      {"", "2 ^ 3 E 1", "1073741824.", ""},
      {"", "1 E 2 E 3", "100000", ""},
      {"", "sqrt 4^2", "4", ""},
      {"", "sqrt 4 * 2", "4", ""},
      {"", "- r 4 ^ 2", "-4", ""},
      {"", "factorial 2 ^ 2", "24", ""},
      {"", "factorial 3 + 1", "7", ""},
      {"", "floor 2.5 + 1", "3", ""},
      {"", "round 2.4 + 0.2", "3", ""},
      {"", "!1 + 1", "0", ""},
      {"", "!0 == 0", "0", ""},
      {"", "2 ^ floor 2.5 + 1", "8", ""},
      {"", "1 == !0 + 1", "0", ""},
      {"", "1 == 2 < 3", "1", ""},
      {"", "1 < 2 < 3", "1", ""},
      {"", "3 > 2 > 1", "0", ""},
      {"", "1 + 0 ? 5 : 6", "5", ""},
      {"", "1 ? 0 ? 5 : 6 : 7", "6", ""},
      {"", "(1 ? 2 : 0) ? 3 : 4", "3", ""},
      {"", "1 + if 1 then 2 else 3", "3", ""},
      {"", "if 0 then 2 else 3 + 4", "7", ""},
      {"", "logb (2)(8)", "3", ""},
      {"", "logb 2 + 2 (16)", "2", ""},
      {"", "logb 2 (8) ^ 2", "9", ""},
      {"", "| |1| - 2|", "1", ""},
      {"", "||1| - 2|", "Error.", "^^\n{Parsing failed on pos 0-1: `||'}\n"},
      {"", "1 || 1 xor 1", "0", ""},
      {"", "1 xor 1 || 1", "1", ""},
      {"", "1 || 0 && 0", "1", ""},
      {"", "sin 2+1", "1.90929742683", ""},
      {"", "deg 90 * 2", "3.14159265359", ""},
      {"", "atan 1 * 4", "3.14159265359", ""},
      {"", "pi * 2", "6.28318530718", ""},
      {"", "true + true", "2", ""},
      {"", "#10 * 0", "0", ""},
  };
  for (const Case& c : kCases) check(c);
}

TEST(Evaluator, CompletionAroundFailures) {
  const Case kCases[] = {
      // A prefix print completes at once, before the next token is read.
      {"", "print 2 3", "Error.", "2\n        ^\n{Parsing failed on pos 8: `3'}\n"},
      // A name followed by a value fails without being looked up.
      {"", "x 3", "Error.", "  ^\n{Parsing failed on pos 2: `3'}\n"},
      // "," may follow an expression, so y is looked up first.
      {"", "1 + y , 2", "Error.", "    ^\n{Parsing failed on pos 4: `y'}\n{Unbound variable: `y'}\n"},
      {"", "x = 3 )", "Error.", "      ^\n{Parsing failed on pos 6: `)'}\n"},
      {"", "print 2 )", "Error.", "2\n        ^\n{Parsing failed on pos 8: `)'}\n"},
      {"x = 1", "x ++ )", "Error.", "     ^\n{Parsing failed on pos 5: `)'}\n"},
      {"", "1 ? 2 : 0 ? 3 : 4", "Error.", "          ^\n{Parsing failed on pos 10: `?'}\n"},
      {"", "if 1 then 2 else 3 ? 4 : 5", "Error.", "                   ^\n{Parsing failed on pos 19: `?'}\n"},
      {"", "2 | 3", "Error.", "  ^\n{Parsing failed on pos 2: `|'}\n"},
      {"", "|2| 3|", "Error.", "    ^\n{Parsing failed on pos 4: `3'}\n"},
      {"", "logb 2 8", "Error.", "       ^\n{Parsing failed on pos 7: `8'}\n"},
      {"", "1 $ 2", "Error.", ""},
      {"", "1 2 $", "Error.", "  ^\n{Parsing failed on pos 2: `2'}\n"},
      {"", "3!", "Error.", " ^\n{Parsing failed on pos 1: `!'}\n"},
      {"", "1 and 0", "Error.", "  ^^^\n{Parsing failed on pos 2-4: `and'}\n"},
      {"", "x = 1; print x; x", "Error.", "1\n              ^\n{Parsing failed on pos 14: `;'}\n"},
      {"", "let x", "Error.", "     ^\n{Parsing failed on pos 5}\n"},
      {"", "let (", "Error.", "    ^\n{Parsing failed on pos 4: `('}\n"},
      {"", "@", "Error.", " ^\n{Parsing failed on pos 1}\n"},
      {"", "@pi", "Error.", " ^^\n{Parsing failed on pos 1-2: `pi'}\n"},
      {"", "z++", "Error.", "^^^\n{Parsing failed on pos 0-2: `z++'}\n{Unbound variable: `z'}\n"},
      {"", "x = = 2", "Error.",
       "    ^\n{Parsing failed on pos 4: `='}\n{Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}\n"},
      {"", "1 :=", "Error.", "  ^^\n{Parsing failed on pos 2-3: `:='}\n"},
  };
  for (const Case& c : kCases) check(c);
}

TEST(Evaluator, DeclarationsAndEffects) {
  const Case kCases[] = {
      {"", "x = 3", "()", ""},
      {"x = 3", "x + 1", "4", ""},
      {"", "x = 3; x + 1", "4", ""},
      {"", "let x = 2, y = 3; x * y", "6", ""},
      {"", "x = 1, y = x + 1; y", "2", ""},
      {"", "x = 1 + 2 ? 3 : 4", "()", ""},
      {"x = 5", "x = y = 3; x", "()", ""},
      {"x = 1", "x++; x", "2", ""},
      {"x = 1", "--x; x", "0", ""},
      {"x = 1", "-x++; x", "-2", ""},
      {"x = 1", "2 * (x = 5; x) + x", "15", ""},
      {"", "2 + x = 3", "()", ""},
      {"", "(x = 1", "()", ""},
      {"", "(x = 3; x)", "3", ""},
      {"", "print print 3", "3", "3\n3\n"},
      {"", "1 + print 2", "3", "2\n"},
      {"", "if 1 then print 1 else print 2", "1", "1\n2\n"},
      {"", "0 && print 5", "0", "5\n"},
      {"", "() 1 2 3", "()", ""},
      {"", "@vars 1 2 3", "()", "Bound variables:\nTotal: 0 variable\n"},
      {"", "' comment $ \r", "()", ""},
      {"", "", "()", ""},
      {"x-1 = 3", "x-1", "3", ""},
  };
  for (const Case& c : kCases) check(c);
  // Bindings made before a failure stay; a failed assignment binds nothing.
  SessionFixture f;
  EXPECT_EQ(f.session().str("x = 5"), "()");
  EXPECT_EQ(f.session().str("x = y = 3; x"), "()");
  EXPECT_EQ(f.session().str("x"), "5");
  EXPECT_EQ(f.session().str("y"), "3");
  EXPECT_EQ(f.session().str("q = 3 )"), "Error.");
  EXPECT_EQ(f.session().str("q"), "Error.");
  EXPECT_EQ(f.session().str("w = 1, v = factorial 22"), "Error.");
  EXPECT_EQ(f.session().str("w"), "1");
}

TEST(Evaluator, DeepNestingNeedsNoRecursion) {
  SessionFixture f;
  const std::size_t depth = 1000000;
  std::string text(depth, '(');
  text += "1";
  text.append(depth, ')');
  EXPECT_EQ(f.session().str(text), "1");
  std::string abs_pairs;
  for (std::size_t i = 0; i < 100000; ++i) abs_pairs += "|-";
  abs_pairs += "1";
  for (std::size_t i = 0; i < 100000; ++i) abs_pairs += "| ";
  EXPECT_EQ(f.session().str(abs_pairs), "1");
}

}  // namespace
}  // namespace zorm
