// The session's lifecycle: construction, the run (command line, then the
// mode) and how a run ends: status 0 after the work or the exit command,
// status 2 with the fatal-failure line.
#include "session/session.h"

#include <algorithm>
#include <new>
#include <utility>

#include "session/command_line.h"
#include "session/loops.h"

namespace zorm {

namespace {

// The fatal-failure line is "Fatal error: exception <description>"; the
// description of a failed allocation has no message.
constexpr std::string_view kFatalHead = "Fatal error: exception ";
constexpr std::string_view kOutOfMemory = "Out_of_memory";

}  // namespace

Session::Session(Input& in, Output& out, Output& err, std::vector<std::string> argv,
                 std::optional<std::uint64_t> seed)
    : in_(&in), core_(out, err, CoreSettings{ResultFormat{}, ReportFlags{}, seed}), argv_(std::move(argv)) {
  // Command-line words are evaluated from the core's padded copy: room for
  // the longest is made here, with the command line's own copy, so that
  // running out of memory for it is a failure of the start (fatal) and not of
  // each statement.
  std::size_t longest = 0;
  for (const std::string& word : argv_) longest = std::max(longest, word.size());
  core_.reserve_statement(longest);
  // A notice that cannot be written is no reason to stop evaluating: the
  // results still go to standard output, and the status tells of the loss.
  err.drop_failed_writes();
}

int Session::main() {
  try {
    try {
      parse_command_line(*this, argv().subspan(argv_.empty() ? 0 : 1));
      run(*this);
    } catch (const ExitRequest&) {
      // The exit command and --help end the run normally.
    }
    io().out().flush();
    io().err().flush();
    return io().err().lost() ? 2 : 0;
  } catch (const FatalFailure& f) {
    return fatal(f.kind, f.message);
  } catch (const IoError& e) {
    return fatal("Sys_error", e.what());
  } catch (const std::bad_alloc&) {
    // Memory ran out outside a statement (str catches it inside one): a line
    // too long to hold, the command line, a rewritten line in replace mode.
    return fatal(kOutOfMemory, std::nullopt);
  }
}

int Session::fatal(std::string_view kind, std::optional<std::string_view> message) {
  // Written in pieces from buffers that exist already: this also runs when
  // memory has run out.
  try {
    io().out().flush();
  } catch (const IoError&) {
    // The fatal line below says what went wrong.
  }
  try {
    Output& err = io().err();
    err.write(kFatalHead);
    err.write(kind);
    if (message) {
      err.write("(\"");
      err.write(*message);
      err.write("\")");
    }
    err.put('\n');
    err.flush();
  } catch (const IoError&) {
    // Nothing is left to report through.
  }
  return 2;
}

int fatal_out_of_memory(int fd) {
  try {
    write_fd(fd, kFatalHead);
    write_fd(fd, kOutOfMemory);
    write_fd(fd, "\n");
  } catch (const IoError&) {
    // Nothing is left to report through.
  }
  return 2;
}

}  // namespace zorm
