// zorm: builds one session over the process's standard streams and runs it.
#include <unistd.h>

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "session/session.h"
#include "util/io.h"
#ifdef ZORM_HAVE_LIBEDIT
#include "terminal/line_editor.h"
#endif

int main(int argc, char** argv) try {
  zorm::FdInput plain(STDIN_FILENO);
  zorm::Input* in = &plain;
#ifdef ZORM_HAVE_LIBEDIT
  // A person at a terminal gets line editing; pipes and files are read as they are.
  std::optional<zorm::LineEditInput> edited;
  if (isatty(STDIN_FILENO) == 1 && isatty(STDOUT_FILENO) == 1) in = &edited.emplace();
#endif
  zorm::FdOutput out(STDOUT_FILENO, isatty(STDOUT_FILENO) == 1);
  zorm::FdOutput err(STDERR_FILENO, false);
  std::vector<std::string> args(argv, argv + argc);
  zorm::Session session(*in, out, err, std::move(args));
#ifdef ZORM_HAVE_LIBEDIT
  if (edited) {
    edited->complete_names_from(&session.core().parser().vars());
    edited->notices_to(&session.io());
    edited->results_from(&session.core());
  }
#endif
  return session.main();
} catch (const std::bad_alloc&) {
  // Out of memory before the session could report it (copying the argument
  // vector, say). The streams went away with the block above and flushed
  // what they held.
  return zorm::fatal_out_of_memory(STDERR_FILENO);
}
