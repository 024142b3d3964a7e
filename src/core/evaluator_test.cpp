// Running out of memory, in a session: a statement fails alone, with the
// notice, and the next one runs; outside a statement the run ends as a fatal
// failure after the output so far.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/command_line.h"
#include "session/session.h"
#include "support/failing_allocations.h"
#include "support/session_fixture.h"

namespace zorm {
namespace {

using testing::FailingAllocations;
using testing::SessionFixture;

// A binding whose name cannot be allocated fails; what needs no memory still
// works (rebinding, arithmetic, a syntax error's report), also with the
// print-errors flag off, and the table holds exactly what was bound.
TEST(OutOfMemory, StatementFailsAlone) {
  for (bool print_errors : {true, false}) {
    SessionFixture f;
    f.reserve(4096);
    Session& s = f.session();
    s.core().report_flags().print_errors = print_errors;
    EXPECT_EQ(testing::text_of(s.core(), "a = 1"), "()");
    std::string got[4];  // short texts: held in place
    {
      FailingAllocations fail;
      int i = 0;
      for (const char* text : {"long_variable_name = 2", "a = 3", "1+1", "1 +"}) got[i++] = testing::text_of(s.core(), text);
    }
    EXPECT_EQ(std::vector<std::string>(got, got + 4), (std::vector<std::string>{"Error.", "()", "2", "Error."}));
    EXPECT_EQ(testing::text_of(s.core(), "a"), "3");
    EXPECT_EQ(testing::text_of(s.core(), "long_variable_name"), "Error.");
    EXPECT_EQ(testing::text_of(s.core(), "long_variable_name = 4"), "()");  // memory is back: the binding is made
    EXPECT_EQ(testing::text_of(s.core(), "long_variable_name"), "4");
    EXPECT_EQ(s.core().parser().vars().size(), 2u);
    const std::string unbound =
        "^^^^^^^^^^^^^^^^^^\n{Parsing failed on pos 0-17: `long_variable_n...'}\n"
        "{Unbound variable: `long_variable_n...'}\n";
    EXPECT_EQ(f.err(), print_errors ? "{Out of memory}\n   ^\n{Parsing failed on pos 3}\n" + unbound
                                    : "{Out of memory}\n");
  }
}

// --eval-now evaluates through the same entry: its failed statement prints
// "Error." and the list goes on.
TEST(OutOfMemory, EvalNowGoesOn) {
  SessionFixture f;
  f.reserve(4096);
  const std::vector<std::string> words{"en", "x = 1", "x", "1+2"};
  {
    FailingAllocations fail;
    parse_command_line(f.session(), words);
  }
  EXPECT_EQ(f.out(), "> Error.\n> Error.\n> 3\n");
  EXPECT_EQ(f.err(), "{Out of memory}\n^\n{Parsing failed on pos 0: `x'}\n{Unbound variable: `x'}\n");
}

// In replace mode the rewritten line is the driver's, not a statement's: when
// it cannot be built the run ends, after the lines already written. Each
// allocation of the run fails in turn, until none does; the binding on the
// last line is a statement's allocation, and fails alone.
TEST(OutOfMemory, OutsideAStatementIsFatal) {
  const std::string input = "no pair here\na line long enough to be copied [[1+1]]\nlast [[x = 2]]\n";
  const std::string whole = "no pair here\na line long enough to be copied 2\nlast ()\n";
  const std::string eof = "{End of file reached}\n";
  bool fatal_after_a_line = false, failed_alone = false;
  for (std::size_t allowed = 0;; ++allowed) {
    StringInput in(input);
    StringOutput out;
    StringOutput err;
    out.reserve(4096);
    err.reserve(4096);
    Session s(in, out, err, {"zorm", "r"});
    int status;
    std::size_t refused;
    {
      FailingAllocations fail(allowed);
      status = s.main();
      refused = fail.refused();
    }
    const std::string& got = out.text();
    if (refused == 0) {
      EXPECT_EQ(status, 0);
      EXPECT_EQ(got, whole);
      EXPECT_EQ(err.text(), eof);
      break;
    }
    if (status == 0) {
      EXPECT_EQ(got, "no pair here\na line long enough to be copied 2\nlast Error.\n") << allowed;
      EXPECT_EQ(err.text(), "{Out of memory}\n" + eof) << allowed;
      failed_alone = true;
      continue;
    }
    ASSERT_EQ(status, 2) << allowed;
    EXPECT_EQ(err.text(), "Fatal error: exception Out_of_memory\n") << allowed;
    EXPECT_TRUE(whole.compare(0, got.size(), got) == 0 && (got.empty() || got.back() == '\n')) << got;
    fatal_after_a_line |= !got.empty();
  }
  EXPECT_TRUE(fatal_after_a_line);
  EXPECT_TRUE(failed_alone);
}

}  // namespace
}  // namespace zorm
