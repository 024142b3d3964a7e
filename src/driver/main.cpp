// zorm: builds one session over the process's standard streams and runs it.
#include <unistd.h>

#include <string>
#include <vector>

#include "driver/session.h"
#include "util/io.h"

int main(int argc, char** argv) {
  zorm::FdInput in(STDIN_FILENO);
  zorm::FdOutput out(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  zorm::FdOutput err(STDERR_FILENO, false);
  std::vector<std::string> args(argv, argv + argc);
  zorm::Session session(in, out, err, std::move(args));
  return session.main();
}
