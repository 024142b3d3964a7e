// The public interface, through zorm/zorm.h alone (compiled as C++17, as an
// embedder may): results, variables, options and streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "zorm/zorm.h"

namespace {

using zorm::Calculator;
using zorm::Kind;
using zorm::Result;

// Each statement in turn in one calculator (later rows see earlier bindings).
TEST(Calculator, ResultOfEachKind) {
  using zorm::Failure;
  using Span = std::optional<zorm::TextSpan>;
  struct Case {
    const char* statement;
    Kind kind;
    const char* text;
    Failure failure;
    const char* message;
    Span span;
    const char* report;
  };
  const Case cases[] = {
      {"1 + 2 * 3", Kind::number, "7", Failure::none, "", {}, ""},
      {"x = 2 ^ 30", Kind::no_value, "()", Failure::none, "", {}, ""},
      {"x", Kind::number, "1073741824.", Failure::none, "", {}, ""},
      {"1 / 0", Kind::number, "inf", Failure::none, "", {}, ""},
      {"0 / 0", Kind::number, "NaN", Failure::none, "", {}, ""},
      {"", Kind::no_value, "()", Failure::none, "", {}, ""},
      {"// a comment", Kind::no_value, "()", Failure::none, "", {}, ""},
      {"1 +", Kind::failure, "Error.", Failure::syntax, "Bad expression", zorm::TextSpan{3, 3},
       "   ^\n{Parsing failed on pos 3}\n"},
      {"y * 2", Kind::failure, "Error.", Failure::unbound_variable, "Unbound variable", zorm::TextSpan{0, 1},
       "^\n{Parsing failed on pos 0: `y'}\n{Unbound variable: `y'}\n"},
      {"2 $ 2", Kind::failure, "Error.", Failure::lexical, "lexing: empty token", zorm::TextSpan{2, 3}, ""},
      {"(.)", Kind::failure, "Error.", Failure::bad_number, "float_of_string", zorm::TextSpan{1, 2}, ""},
      {"2 * factorial -1", Kind::failure, "Error.", Failure::domain,
       "factorial: argument must be a natural number", zorm::TextSpan{4, 16}, ""},
      {"factorial 22", Kind::failure, "Error.", Failure::too_big, "Factorial: Too big!",
       zorm::TextSpan{0, 12}, ""},
      {"x / 2 ^ 29", Kind::number, "2", Failure::none, "", {}, ""},  // the failures changed nothing
  };
  Calculator calc;
  for (const Case& c : cases) {
    const Result r = calc.evaluate(c.statement);
    EXPECT_EQ(r.kind, c.kind) << c.statement;
    EXPECT_EQ(r.text, c.text) << c.statement;
    EXPECT_EQ(r.failure, c.failure) << c.statement;
    EXPECT_EQ(r.message, c.message) << c.statement;
    EXPECT_EQ(r.span, c.span) << c.statement;
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

// Calculators made without a seed at the same moment, in several threads,
// draw sequences of their own.
TEST(Calculator, UnseededCalculatorsDiffer) {
  constexpr int kThreads = 8, kEach = 250;
  std::vector<std::vector<std::string>> drawn(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&drawn, t] {
      for (int i = 0; i < kEach; ++i) {
        Calculator calc;
        drawn[t].push_back(calc.text("rand 1") + " " + calc.text("rand 1"));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::set<std::string> distinct;
  for (const auto& texts : drawn) distinct.insert(texts.begin(), texts.end());
  EXPECT_EQ(distinct.size(), std::size_t{kThreads * kEach});
}

// unbind removes one variable and keeps the listing's order of the others;
// clear removes all.
TEST(Calculator, UnbindAndClear) {
  Calculator calc;
  for (const char* name : {"a", "b", "c", "d", "f"}) calc.bind(name, 1);
  std::vector<std::string> order;
  for (const zorm::Binding& b : calc.variables()) order.push_back(b.name);
  EXPECT_TRUE(calc.unbind("c"));
  EXPECT_FALSE(calc.unbind("c"));
  EXPECT_FALSE(calc.unbind("pi"));
  order.erase(std::find(order.begin(), order.end(), "c"));
  std::vector<std::string> after;
  for (const zorm::Binding& b : calc.variables()) after.push_back(b.name);
  EXPECT_EQ(after, order);
  EXPECT_EQ(calc.evaluate("c").failure, zorm::Failure::unbound_variable);
  EXPECT_EQ(calc.text("a + f"), "2");
  calc.clear();
  EXPECT_TRUE(calc.variables().empty());
  EXPECT_EQ(calc.text("@vars"), "()");
}

// A calculator moved from works as a new one with the default options.
TEST(Calculator, MovedFromStartsAfresh) {
  zorm::Options bare;
  bare.unit_string = "none";
  Calculator a(bare);
  a.bind("v", 1);
  Calculator b = std::move(a);
  EXPECT_EQ(a.options().unit_string, "()");  // NOLINT(bugprone-use-after-move): what is tested
  EXPECT_EQ(a.value("v"), std::nullopt);
  EXPECT_TRUE(a.variables().empty());
  EXPECT_FALSE(a.unbind("v"));
  a.clear();
  EXPECT_EQ(a.text("w = 2"), "()");
  EXPECT_EQ(a.text("w + 1"), "3");
  EXPECT_EQ(b.text("v"), "1");
  EXPECT_EQ(b.text("w = 2"), "none");
  Calculator c = std::move(b);
  b = std::move(c);
  EXPECT_EQ(b.text("v"), "1");
}

// A stream of the embedder's that throws or fails: the statement that
// writes to it fails with Failure::output (one that fails for a reason of its
// own keeps it), nothing escapes, and what it wrote is still in the result.
// The next statement runs; a stream that stays failed fails it again.
TEST(Calculator, FailingStreams) {
  struct Throwing : std::streambuf {
    int_type overflow(int_type) override { throw std::runtime_error("the host's own"); }
    std::streamsize xsputn(const char*, std::streamsize) override {
      throw std::runtime_error("the host's own");
    }
  };
  struct Case {
    const char* what;
    bool errors;  // the stream is the one for reports, else for output
    bool throws;  // exceptions enabled, else the stream only fails
  };
  const Case cases[] = {
      {"output, throwing", false, true},
      {"output, failing", false, false},
      {"errors, throwing", true, true},
      {"errors, failing", true, false},
  };
  for (const Case& c : cases) {
    Throwing buffer;
    std::ostream stream(&buffer);
    if (c.throws) stream.exceptions(std::ios::badbit | std::ios::failbit);
    zorm::Options options;
    (c.errors ? options.errors : options.output) = &stream;
    Calculator calc(options);
    const char* writes = c.errors ? "y" : "print 2";
    Result r = calc.print(writes);
    EXPECT_EQ(r.kind, Kind::failure) << c.what;
    EXPECT_EQ(r.failure, c.errors ? zorm::Failure::unbound_variable : zorm::Failure::output) << c.what;
    EXPECT_EQ(r.text, "Error.") << c.what;
    if (c.errors) {
      EXPECT_EQ(r.report, "^\n{Parsing failed on pos 0: `y'}\n{Unbound variable: `y'}\n") << c.what;
      r = calc.evaluate("@foo");  // a notice alone
      EXPECT_EQ(r.failure, zorm::Failure::output) << c.what;
      EXPECT_EQ(r.report, "Unrecognized command!\n") << c.what;
    } else {
      EXPECT_FALSE(r.span) << c.what;
      EXPECT_EQ(r.message, "Output failed") << c.what;
    }
    EXPECT_EQ(calc.evaluate("x = 3").kind, Kind::no_value) << c.what;  // writes nothing
    EXPECT_EQ(calc.text("x * 2"), "6") << c.what;
    stream.exceptions(std::ios::goodbit);
    stream.clear();
    stream.rdbuf(nullptr);  // a stream without buffer stays failed
    EXPECT_EQ(calc.print(c.errors ? "@foo" : "print 2").failure, zorm::Failure::output) << c.what;
  }
}

// A huge statement's caret line is cut in the middle, visibly; the message
// and the span are whole. Without a limit the report is the program's.
TEST(Calculator, ReportLinesAreBounded) {
  const std::size_t blanks = 100000;
  const std::string statement = std::string(blanks, ' ') + "1 +";
  const std::size_t caret_line = blanks + 3 + 1;
  Calculator calc;
  Result r = calc.evaluate(statement);
  EXPECT_EQ(r.failure, zorm::Failure::syntax);
  EXPECT_EQ(r.span, (zorm::TextSpan{blanks + 3, blanks + 3}));
  EXPECT_EQ(r.report, std::string(2048, ' ') + "[" + std::to_string(caret_line - 4096) + " bytes cut]" +
                          std::string(2047, ' ') + "^\n{Parsing failed on pos " + std::to_string(blanks + 3) +
                          "}\n");
  zorm::Options whole;
  whole.report_line_limit = 0;
  whole.echo_input = true;
  r = Calculator(whole).evaluate(statement);
  EXPECT_EQ(r.report, statement + "\n" + std::string(blanks + 3, ' ') + "^\n{Parsing failed on pos " +
                          std::to_string(blanks + 3) + "}\n");
}

}  // namespace

// Defined when the sanitizers' runtime is linked in, whose allocator
// mallinfo2 does not see.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

// The heap in use by the whole process, or nothing where it cannot be told.
std::optional<std::size_t> heap_in_use() {
  if (__sanitizer_get_current_allocated_bytes != nullptr) return __sanitizer_get_current_allocated_bytes();
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#else
  return std::nullopt;
#endif
}

// After a large statement, a large report or a large output, a calculator
// holds about what it held before.
TEST(Calculator, MemoryFollowsUse) {
  zorm::Options whole;
  whole.report_line_limit = 0;
  Calculator calc(whole);
  calc.evaluate("1 + 1");
  const std::optional<std::size_t> before = heap_in_use();
  if (!before) GTEST_SKIP() << "no count of the heap in use";
  {
    std::string sum = "1";
    for (int i = 0; i < 200000; ++i) sum += " + 1";
    const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
    const std::string failing = std::string(1000000, ' ') + "1 +";
    EXPECT_EQ(calc.evaluate(sum).value, 200001.0);
    EXPECT_EQ(calc.evaluate(deep).value, 1.0);
    EXPECT_GT(calc.evaluate(failing).report.size(), 1000000u);
    for (int i = 0; i < 2000; ++i) calc.bind("v" + std::to_string(i), i);
    EXPECT_GT(calc.evaluate("@vars").output.size(), 50000u);
    calc.clear();
  }
  // What stays: the variable table's buckets, which clear() keeps.
  EXPECT_LE(*heap_in_use(), *before + 16384) << *before;
}

TEST(Calculator, Version) {
  EXPECT_STREQ(zorm::version(), ZORM_VERSION);
  const std::string major_minor =
      std::to_string(ZORM_VERSION_MAJOR) + "." + std::to_string(ZORM_VERSION_MINOR);
  EXPECT_EQ(std::string(ZORM_VERSION).rfind(major_minor, 0), 0u) << ZORM_VERSION;
}

}  // namespace
