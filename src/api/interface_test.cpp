// The public interface, through zorm/zorm.h alone (compiled as C++17, as an
// embedder may): results, variables, options and streams.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "zorm/zorm.h"

namespace {

using zorm::Calculator;
using zorm::Kind;
using zorm::Result;

// Each statement in turn in one calculator (later rows see earlier bindings).
TEST(Calculator, ResultOfEachKind) {
  struct Case {
    const char* statement;
    Kind kind;
    const char* text;
    const char* message;
    const char* report;
  };
  const Case cases[] = {
      {"1 + 2 * 3", Kind::number, "7", "", ""},
      {"x = 2 ^ 30", Kind::no_value, "()", "", ""},
      {"x", Kind::number, "1073741824.", "", ""},
      {"1 / 0", Kind::number, "inf", "", ""},
      {"0 / 0", Kind::number, "NaN", "", ""},
      {"", Kind::no_value, "()", "", ""},
      {"// a comment", Kind::no_value, "()", "", ""},
      {"1 +", Kind::failure, "Error.", "Bad expression", "   ^\n{Parsing failed on pos 3}\n"},
      {"y * 2", Kind::failure, "Error.", "Unbound variable",
       "^\n{Parsing failed on pos 0: `y'}\n{Unbound variable: `y'}\n"},
      {"2 $ 2", Kind::failure, "Error.", "lexing: empty token", ""},
      {"x / 2 ^ 29", Kind::number, "2", "", ""},  // the failures changed nothing
  };
  Calculator calc;
  for (const Case& c : cases) {
    const Result r = calc.evaluate(c.statement);
    EXPECT_EQ(r.kind, c.kind) << c.statement;
    EXPECT_EQ(r.text, c.text) << c.statement;
    EXPECT_EQ(r.message, c.message) << c.statement;
    EXPECT_EQ(r.report, c.report) << c.statement;
    EXPECT_EQ(r.output, "") << c.statement;
    EXPECT_FALSE(r.exit) << c.statement;
    EXPECT_EQ(calc.text(c.statement), c.text) << c.statement;
  }
  EXPECT_EQ(calc.evaluate("x / 4").value, 268435456.0);
  EXPECT_TRUE(std::isnan(calc.evaluate("0 / 0").value));
}

// What statements write is theirs: the print operation, the listing, the
// exit command's farewell, which ends nothing here.
TEST(Calculator, OutputAndExit) {
  Calculator calc;
  Result r = calc.evaluate("print 2 + 3");  // print binds tighter than +
  EXPECT_EQ(r.output, "2\n");
  EXPECT_EQ(r.text, "5");
  calc.evaluate("a = 1");
  EXPECT_EQ(calc.evaluate("@vars").output, "Bound variables:\n                   a = 1\nTotal: 1 variable\n");
  r = calc.evaluate("@exit");
  EXPECT_TRUE(r.exit);
  EXPECT_EQ(r.kind, Kind::no_value);
  EXPECT_EQ(r.output, "Bye-bye!\n");
  EXPECT_EQ(calc.text("a + 1"), "2");
}

TEST(Calculator, Variables) {
  Calculator calc;
  EXPECT_EQ(calc.value("n"), std::nullopt);
  calc.bind("n", 5);
  calc.bind("_total'-~", 0.5);
  EXPECT_EQ(calc.text("n * 2 + _total'-~"), "10.5");
  calc.evaluate("n = n + 1");
  EXPECT_EQ(calc.value("n"), 6.0);
  EXPECT_EQ(calc.value("pi"), std::nullopt);  // a constant, not a variable
  // The order of the @vars listing (the table's, not the order of binding).
  std::istringstream listing(calc.evaluate("@vars").output);
  std::vector<std::string> listed, names;
  for (std::string line; std::getline(listing, line);) {
    const std::size_t at = line.find(" = ");
    if (at != std::string::npos) listed.push_back(line.substr(line.find_first_not_of(' ')));
  }
  for (const zorm::Binding& b : calc.variables()) names.push_back(b.name + " = " + calc.text(b.name));
  EXPECT_EQ(names, listed);
  EXPECT_EQ(names.size(), 2u);
  for (const char* bad : {"", "pi", "sqrt", "X", "1a", "a b", " a", "a+1", "a\n", "@vars"}) {
    EXPECT_THROW(calc.bind(bad, 1), std::invalid_argument) << bad;
  }
  EXPECT_EQ(calc.variables().size(), 2u);
}

// The options shape print()'s line and the reports, as the options do for
// the program; the streams receive what is written as it is written.
TEST(Calculator, OptionsAndStreams) {
  struct Case {
    zorm::Options options;
    const char* statement;
    const char* output;
    const char* report;
  };
  zorm::Options plain;
  zorm::Options xp;
  xp.print_xp = true;
  xp.print_newline = true;
  zorm::Options bare;
  bare.print_symbol = false;
  bare.unit_string = "none";
  bare.print_unit = true;
  zorm::Options quiet;
  quiet.print_errors = false;
  zorm::Options echo;
  echo.echo_input = true;
  zorm::Options no_caret = echo;
  no_caret.show_error = false;
  const Case cases[] = {
      {plain, "1+2", "> 3\n", ""},
      {plain, "x = 1", "", ""},
      {xp, "1+2", "1+2 = \n> 3\n", ""},
      {bare, "x = 1", "none\n", ""},
      {quiet, "1 +", "> Error.\n", ""},
      {echo, "1 +", "> Error.\n", "1 +\n   ^\n{Parsing failed on pos 3}\n"},
      {no_caret, "1 +", "> Error.\n", "{Parsing failed on pos 3}\n"},
  };
  for (const Case& c : cases) {
    Calculator calc(c.options);
    const Result r = calc.print(c.statement);
    EXPECT_EQ(r.output, c.output) << c.statement;
    EXPECT_EQ(r.report, c.report) << c.statement;
  }

  std::ostringstream out, err;
  zorm::Options streamed;
  streamed.output = &out;
  streamed.errors = &err;
  Calculator calc(streamed);
  Result r = calc.print("print 4");
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(calc.print("z").report, "^\n{Parsing failed on pos 0: `z'}\n{Unbound variable: `z'}\n");
  EXPECT_EQ(out.str(), "4\n> 4\n> Error.\n");
  EXPECT_EQ(err.str(), "^\n{Parsing failed on pos 0: `z'}\n{Unbound variable: `z'}\n");
  EXPECT_EQ(calc.options().output, &out);
}

// A seed makes the random generator repeatable; calculators share nothing.
TEST(Calculator, SeededAndIndependent) {
  zorm::Options seeded;
  seeded.seed = 7;
  Calculator a(seeded), b(seeded);
  const std::string first = a.text("rand 1000");
  EXPECT_EQ(b.text("rand 1000"), first);
  EXPECT_NE(a.text("rand 1000"), first);
  a.bind("v", 1);
  EXPECT_EQ(b.value("v"), std::nullopt);
  Calculator moved = std::move(a);
  EXPECT_EQ(moved.text("v + 1"), "2");
}

TEST(Calculator, Version) {
  EXPECT_STREQ(zorm::version(), ZORM_VERSION);
  const std::string major_minor = std::to_string(ZORM_VERSION_MAJOR) + "." + std::to_string(ZORM_VERSION_MINOR);
  EXPECT_EQ(std::string(ZORM_VERSION).rfind(major_minor, 0), 0u) << ZORM_VERSION;
}

}  // namespace
