// A session: one run of the program. It owns the evaluator core over the
// process's streams, the program's own settings (the mode, the banner, the
// delimiters, the statements of command-line mode) and the argument vector,
// and runs the command line and the mode. The command line, the loops and
// replace mode are units of their own (command_line.h, loops.h, replace.h)
// that act on a session.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluator.h"
#include "util/io.h"

namespace zorm {

enum class Mode { stdin_mode, replace, command_line };

// The program's settings beyond the core's result format and report flags.
// Every flag option flips its flag.
struct Settings {
  bool welcome = true;
  std::string left_delimiter = "[[";
  std::string right_delimiter = "]]";
  Mode mode = Mode::stdin_mode;
  std::vector<std::string> expressions;  // command-line mode's statements
};

// A failure that ends the run with status 2: "Fatal error: exception
// <kind>(\"<message>\")".
struct FatalFailure {
  std::string kind;
  std::string message;
};

// Ends a run that ran out of memory before a session could report it (while
// the argument vector was copied, say): writes the fatal-failure line to file
// descriptor `fd` and returns the exit status, 2.
int fatal_out_of_memory(int fd);

class Session {
 public:
  // `argv` is the whole argument vector, the invocation name first. A seed
  // makes the random generator repeatable (tests); without one it is seeded
  // from the time of day and the process ids.
  Session(Input& in, Output& out, Output& err, std::vector<std::string> argv,
          std::optional<std::uint64_t> seed = std::nullopt);

  // Parses the words after the invocation name, runs the mode and returns the
  // exit status. All output is flushed before it returns. Standard error
  // that cannot be written loses its notices but stops nothing: the run
  // goes on and then ends with status 2. A statement that
  // runs out of memory fails alone; memory that runs out anywhere else ends
  // the run as a fatal failure, after the output so far.
  int main();

  Evaluator& core() { return core_; }
  Settings& settings() { return settings_; }
  Streams& io() { return core_.io(); }
  Input& input() { return *in_; }
  // The whole argument vector, the invocation name first.
  std::span<const std::string> argv() const { return argv_; }

 private:
  // Flushes standard output, writes the fatal-failure line with its
  // description (kind, then the message in parentheses and quotes when there
  // is one) and returns the exit status, 2.
  int fatal(std::string_view kind, std::optional<std::string_view> message);

  Input* in_;
  Evaluator core_;
  Settings settings_;
  std::vector<std::string> argv_;
};

}  // namespace zorm
