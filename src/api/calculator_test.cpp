// The calculator against the allocator: running out of memory leaves it whole.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>

#include "support/failing_allocations.h"
#include "zorm/zorm.h"

namespace zorm {
namespace {

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
