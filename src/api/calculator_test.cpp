// The calculator against the allocator: running out of memory leaves it whole.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <string>

#include "support/failing_allocations.h"
#include "zorm/zorm.h"
#include "zorm/zorm_c.h"

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

// A report that cannot be collected whole under memory pressure keeps what
// it has and says the cut, and the statement keeps its own failure.
TEST(Calculator, OutOfMemoryCutsTheReport) {
  const std::string statement = std::string(20000, ' ') + "1 +";
  Options whole;
  whole.report_line_limit = 0;
  const std::string full = Calculator(whole).evaluate(statement).report;
  const std::string note = "{Report cut: out of memory}\n";
  bool cut = false;
  for (std::size_t allowed = 0;; ++allowed) {
    Calculator calc(whole);
    std::optional<Result> r;
    std::size_t refused;
    {
      testing::FailingAllocations fail(allowed);
      try {
        r = calc.evaluate(statement);
      } catch (const std::bad_alloc&) {
      }
      refused = fail.refused();
    }
    if (r && r->failure == Failure::syntax && r->report != full) {
      ASSERT_GE(r->report.size(), note.size()) << allowed;
      EXPECT_EQ(r->report.substr(r->report.size() - note.size()), note) << allowed;
      EXPECT_EQ(full.compare(0, r->report.size() - note.size(), r->report, 0, r->report.size() - note.size()),
                0);
      cut = true;
    } else if (r) {
      EXPECT_TRUE(r->failure == Failure::out_of_memory || r->report == full) << allowed;
    }
    EXPECT_EQ(calc.text("2 * 3"), "6") << allowed;
    if (refused == 0) break;
  }
  EXPECT_TRUE(cut) << "no report was cut";
}

// Through the C interface running out of memory is a failure code, never an
// exception (which could not cross it): each allocation fails in turn.
TEST(Calculator, OutOfMemoryInC) {
  for (std::size_t allowed = 0;; ++allowed) {
    zorm_calculator* calc = nullptr;
    zorm_result r;
    zorm_result_init(&r);
    char text[16];
    r.text.data = text;
    r.text.capacity = sizeof text;
    std::size_t refused;
    int made, evaluated = ZORM_STATUS_OK, bound = ZORM_STATUS_OK;
    {
      testing::FailingAllocations fail(allowed);
      made = zorm_new(nullptr, &calc);
      if (made == ZORM_STATUS_OK) {
        evaluated = zorm_evaluate(calc, "a_long_variable_name = 2 ^ 10", 29, &r);
        bound = zorm_bind(calc, "another_long_variable_name", 26, 1);
      }
      refused = fail.refused();
    }
    if (made != ZORM_STATUS_OK) {
      EXPECT_EQ(made, ZORM_STATUS_OUT_OF_MEMORY) << allowed;
      EXPECT_EQ(calc, nullptr) << allowed;
      continue;
    }
    EXPECT_EQ(evaluated, ZORM_STATUS_OK) << allowed;
    EXPECT_TRUE(r.kind == ZORM_KIND_NO_VALUE || r.failure == ZORM_FAILURE_OUT_OF_MEMORY) << allowed;
    EXPECT_STREQ(text, r.kind == ZORM_KIND_NO_VALUE ? "()" : "Error.") << allowed;
    EXPECT_TRUE(bound == ZORM_STATUS_OK || bound == ZORM_STATUS_OUT_OF_MEMORY) << allowed;
    EXPECT_EQ(zorm_evaluate(calc, "1 + 1", 5, &r), ZORM_STATUS_OK);
    EXPECT_STREQ(text, "2") << allowed;
    zorm_free(calc);
    if (refused == 0) break;
  }
}

}  // namespace
}  // namespace zorm
