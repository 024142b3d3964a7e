// Statements through the parse loop: when each production completes
// relative to the point of failure, and the effects of declarations; every
// case also through the plain loop, which must give the same outcome and
// output. Precedence and grouping are the end-to-end transcripts' (arith.t,
// logic.t, functions.t), which run on both loops too.
#include "parser/parse_loop.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "support/session_fixture.h"

namespace zorm {
namespace {

using testing::CoreFixture;

struct Case {
  std::string_view setup;  // statements evaluated first, their output dropped
  std::string_view text;
  std::string_view result;  // result text
  std::string_view output;  // stdout and stderr as merged, of `text` alone
};

// Evaluates the setup statements, one a line, dropping their output.
void set_up(CoreFixture& f, std::string_view setup) {
  for (std::size_t at = 0; at < setup.size();) {
    std::size_t nl = setup.find('\n', at);
    if (nl == std::string_view::npos) nl = setup.size();
    f.text(setup.substr(at, nl - at));
    at = nl + 1;
  }
}

// The same outcome, to the bits of the value.
void expect_same(const Outcome& a, const Outcome& b, std::string_view text) {
  EXPECT_EQ(a.kind, b.kind) << text;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(a.value), std::bit_cast<std::uint64_t>(b.value)) << text;
  EXPECT_STREQ(a.message, b.message) << text;
  EXPECT_EQ(a.has_span, b.has_span) << text;
  EXPECT_EQ(a.span, b.span) << text;
}

void check(const Case& c) {
  CoreFixture rows, plain;
  plain.core().parser().set_plain_loop();
  set_up(rows, c.setup);
  set_up(plain, c.setup);
  const std::size_t before = rows.merged().size();
  const Outcome outcome = rows.core().evaluate(c.text);
  EXPECT_EQ(rows.core().result_text(outcome), c.result) << c.text;
  EXPECT_EQ(rows.merged().substr(before), c.output) << c.text;
  const std::size_t plain_before = plain.merged().size();
  expect_same(plain.core().evaluate(c.text), outcome, c.text);
  EXPECT_EQ(plain.merged().substr(plain_before), c.output) << c.text;
}

TEST(ParseLoop, CompletionAroundFailures) {
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

TEST(ParseLoop, DeclarationsAndEffects) {
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
  CoreFixture f;
  EXPECT_EQ(f.text("x = 5"), "()");
  EXPECT_EQ(f.text("x = y = 3; x"), "()");
  EXPECT_EQ(f.text("x"), "5");
  EXPECT_EQ(f.text("y"), "3");
  EXPECT_EQ(f.text("q = 3 )"), "Error.");
  EXPECT_EQ(f.text("q"), "Error.");
  EXPECT_EQ(f.text("w = 1, v = factorial 22"), "Error.");
  EXPECT_EQ(f.text("w"), "1");
}

TEST(ParseLoop, DeepNestingNeedsNoRecursion) {
  CoreFixture f;
  const std::size_t depth = 1000000;
  std::string text(depth, '(');
  text += "1";
  text.append(depth, ')');
  EXPECT_EQ(f.text(text), "1");
  std::string abs_pairs;
  for (std::size_t i = 0; i < 100000; ++i) abs_pairs += "|-";
  abs_pairs += "1";
  for (std::size_t i = 0; i < 100000; ++i) abs_pairs += "| ";
  EXPECT_EQ(f.text(abs_pairs), "1");
  CoreFixture plain;
  plain.core().parser().set_plain_loop();
  EXPECT_EQ(plain.text(text), "1");
  EXPECT_EQ(plain.text(abs_pairs), "1");
}

// Failures carry the span of the failing text, lexical ones included.
TEST(ParseLoop, FailureSpans) {
  const struct {
    std::string_view text;
    std::string_view message;
    Span span;
  } kCases[] = {
      {"1 +", "Bad expression", {3, 3}},
      {"2 * ) 4", "Bad expression", {4, 5}},
      {"1 + $", "lexing: empty token", {4, 5}},
      {"2 * .", "float_of_string", {4, 5}},
      {"1 + yy", "Unbound variable", {4, 6}},
      {"zz++", "Unbound variable", {0, 4}},
      {"2 + factorial 30", "Factorial: Too big!", {4, 16}},
  };
  for (const auto& c : kCases) {
    CoreFixture f;
    const Outcome o = f.core().evaluate(c.text);
    EXPECT_EQ(o.kind, OutcomeKind::failure) << c.text;
    EXPECT_STREQ(o.message, c.message.data()) << c.text;
    EXPECT_TRUE(o.has_span) << c.text;
    EXPECT_EQ(o.span, c.span) << c.text;
  }
}

}  // namespace
}  // namespace zorm
