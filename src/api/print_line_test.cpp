// The library's result line (Calculator::print) is the program's
// (print_eval), under every combination of the output flags.
#include <gtest/gtest.h>

#include <string>

#include "driver/loops.h"
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

}  // namespace
}  // namespace zorm
