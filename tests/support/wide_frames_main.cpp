// Test-only: the zorm executable with every statement parsed in the frames of
// statements of 4 GiB or more (WideFrame and scan_wide), which no test can
// hold in memory, or, built with ZORM_PLAIN_LOOP, by the plain parse loop, so
// that the end-to-end transcripts run those paths too. It reads its standard
// input as it is (no line editing).
#include <unistd.h>

#include <string>
#include <vector>

#include "session/session.h"
#include "util/io.h"

int main(int argc, char** argv) {
  zorm::FdInput in(STDIN_FILENO);
  zorm::FdOutput out(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  zorm::FdOutput err(STDERR_FILENO, false);
  zorm::Session session(in, out, err, std::vector<std::string>(argv, argv + argc));
#ifdef ZORM_PLAIN_LOOP
  session.core().parser().set_plain_loop();
#else
  session.core().parser().set_wide_from(0);
#endif
  return session.main();
}
