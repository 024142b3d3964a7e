// zorm: builds one session over the process's standard streams and runs it.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "session/session.h"
#include "util/io.h"
#ifdef ZORM_HAVE_LIBEDIT
#include "terminal/line_editor.h"
#endif

namespace {

// A standard stream that is closed at the start gets a placeholder that
// fails every use the same way (/dev/null opened the other way round), so
// that no file opened later takes its number: notices meant for a closed
// standard error must never land in a definitions or history file.
void hold_closed_standard_streams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number, which is fd: those below it are open by now.
    ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
  }
}

}  // namespace

int main(int argc, char** argv) try {
  hold_closed_standard_streams();
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
