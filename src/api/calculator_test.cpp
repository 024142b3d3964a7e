// The calculator against the program's internals: its result line is
// print_eval's, and running out of memory leaves it whole.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>

#include "driver/loops.h"
#include "support/failing_allocations.h"
#include "support/session_fixture.h"
#include "zorm/zorm.h"

namespace zorm {
namespace {

TEST(PrintLine, LibraryWritesTheProgramsLine) {
  for (int flags = 0; flags < 16; ++flags) {
    Options options;
    options.print_xp = (flags & 1) != 0;
    options.print_newline = (flags & 2) != 0;
    options.print_unit = (flags & 4) != 0;
    options.print_symbol = (flags & 8) != 0;
    Calculator calc(options);
    testing::SessionFixture f;
    Settings& settings = f.session().settings();
    settings.print_xp = options.print_xp;
    settings.print_newline = options.print_newline;
    settings.print_unit = options.print_unit;
    settings.print_symbol = options.print_symbol;
    std::string library;
    for (const char* statement : {" 1 + 2 ", "x = 1", "1 +", "0 / 0"}) {
      library += calc.print(statement).output;
      print_eval(f.session(), statement);
    }
    EXPECT_EQ(library, f.out()) << "flags " << flags;
  }
}

// Each allocation of a statement fails in turn, until none does: the
// statement fails (or evaluate throws std::bad_alloc, when the result cannot
// be made), the binding is made whole or not at all, what was bound stays,
// and the next statement starts with nothing left of the failed one.
TEST(Calculator, OutOfMemoryLeavesItWhole) {
  bool failed = false;
  for (std::size_t allowed = 0;; ++allowed) {
    Calculator calc;
    calc.bind("a", 1);
    std::optional<Result> r;
    std::size_t refused;
    {
      testing::FailingAllocations fail(allowed);
      try {
        r = calc.evaluate("a_rather_long_variable_name = a + 1");
      } catch (const std::bad_alloc&) {
      }
      refused = fail.refused();
    }
    if (r && r->kind == Kind::failure) {
      EXPECT_EQ(r->message, "Out of memory") << allowed;
      failed = true;
    }
    EXPECT_EQ(calc.value("a"), 1.0) << allowed;
    const std::optional<double> bound = calc.value("a_rather_long_variable_name");
    EXPECT_TRUE(!bound || *bound == 2.0) << allowed;
    const Result next = calc.evaluate("1 +");
    EXPECT_EQ(next.report, "   ^\n{Parsing failed on pos 3}\n") << allowed;
    EXPECT_EQ(next.output, "") << allowed;
    if (refused == 0) {
      ASSERT_TRUE(r.has_value());
      EXPECT_EQ(r->kind, Kind::no_value);
      EXPECT_EQ(bound, 2.0);
      break;
    }
  }
  EXPECT_TRUE(failed) << "no allocation of the statement failed it";
}

}  // namespace
}  // namespace zorm
