// Test-only: the zorm executable with every statement parsed in the frames of
// statements of 4 GiB or more (WideFrame and token_wide), which no test can
// hold in memory, so that the end-to-end transcripts run that path too. It
// reads its standard input as it is (no line editing).
#include <unistd.h>

#include <string>
#include <vector>

#include "driver/session.h"
#include "util/io.h"

int main(int argc, char** argv) {
  zorm::FdInput in(STDIN_FILENO);
  zorm::FdOutput out(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  zorm::FdOutput err(STDERR_FILENO, false);
  zorm::Session session(in, out, err, std::vector<std::string>(argv, argv + argc));
  session.evaluator().set_wide_from(0);
  return session.main();
}
