// A session: everything one run of the calculator owns (settings, evaluator
// state, streams, the argument vector), its lifecycle and its evaluation
// entry point. The command line, the loops and replace mode are units of
// their own (options.h, loops.h, replace.h) that act on a session.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lexer/mathcommon.h"
#include "parser/mathparser.h"
#include "util/io.h"
#include "util/padded.h"
#include "util/soff.h"

namespace zorm {

enum class Mode { stdin_mode, replace, command_line };

// The driver's settings. Every flag option flips its flag.
struct Settings {
  bool print_xp = false;
  bool print_newline = false;
  bool print_unit = false;
  bool print_symbol = true;
  bool welcome = true;
  std::string unit_string = "()";
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

// How a statement ended: with a number, without a value, or in a failure
// (whose notices have been written).
enum class Outcome { number, no_value, failed };

// The result text of a number: "NaN" for any NaN, else soff's text. Writes
// into out (kSoffMax bytes) and returns the length.
std::size_t number_result_text(double value, char* out);

class Session {
 public:
  // `argv` is the whole argument vector, the invocation name first. A seed
  // makes the random generator repeatable (tests); without one it is seeded
  // from the time of day and the process ids.
  Session(Input& in, Output& out, Output& err, std::vector<std::string> argv,
          std::optional<std::uint64_t> seed = std::nullopt);
  // A session without an input, for embedding: statements come one at a
  // time through str or eval; a mode that reads standard input finds it empty.
  Session(Output& out, Output& err, std::vector<std::string> argv = {},
          std::optional<std::uint64_t> seed = std::nullopt);

  // Parses the words after the invocation name, runs the mode and returns the
  // exit status. All output is flushed before it returns. A statement that
  // runs out of memory fails alone; memory that runs out anywhere else ends
  // the run as a fatal failure, after the output so far.
  int main();

  // The result text of a statement; valid until the next evaluation. A
  // statement that runs out of memory writes the notice "{Out of memory}" and
  // gives "Error." (see matheval.cpp).
  std::string_view str(std::string_view text);
  // The same for padded text (a line from the line reader), which is
  // evaluated where it lies rather than copied.
  std::string_view str(PaddedView text);

  // Evaluates a statement as str does and says how it ended, with its number
  // in *value; result_text gives str's text for that. A statement that runs
  // out of memory writes its notice and has failed.
  Outcome evaluate(std::string_view text, double* value);
  Outcome evaluate(PaddedView text, double* value);
  // The result text of an outcome; valid until the next evaluation.
  std::string_view result_text(Outcome outcome, double value);

  // What one statement yielded, for embedding: a number, no value, or a
  // failure with its message ("Bad expression", "Unbound variable", "Out of
  // memory", ...), and whether it ran the exit command (which yields no
  // value; the statement's effects up to the command remain).
  struct Evaluation {
    enum class Kind { number, no_value, failure };
    Kind kind = Kind::no_value;
    double value = 0.0;
    const char* message = "";
    bool exit = false;
  };
  // Evaluates a statement as str does (the same reports and notices) and says
  // what it yielded; catches the exit command too, so that nothing but
  // std::bad_alloc from writing a notice leaves it.
  Evaluation eval(std::string_view text);

  Settings& settings() { return settings_; }
  ReportFlags& flags() { return reporter_.flags(); }
  Evaluator& evaluator() { return evaluator_; }
  Streams& io() { return streams_; }
  Input& input() { return *in_; }
  // The whole argument vector, the invocation name first.
  std::span<const std::string> argv() const { return argv_; }

 private:
  // Parses text; true with *value for a number, false for no value.
  // Failures raise.
  bool parse_statement(PaddedView text, double* value);
  // Writes the notice of a statement that ran out of memory.
  Outcome out_of_memory();
  // Flushes standard output, writes the fatal-failure line with its
  // description (kind, then the message in parentheses and quotes when there
  // is one) and returns the exit status, 2.
  int fatal(std::string_view kind, std::optional<std::string_view> message);

  Input* in_;
  Streams streams_;
  Reporter reporter_;
  Evaluator evaluator_;
  Settings settings_;
  std::vector<std::string> argv_;
  InputBuffer buffer_;  // the current statement (the reporter's cell points here)
  // The copy of a statement given without padding, with room made at the
  // start for statements of up to 4 KiB, which then never allocate (they
  // are evaluated also when memory has run out).
  static constexpr std::size_t kShortStatement = 4096;
  PaddedString copy_;
  const char* failure_ = "";  // the message of the last statement that failed
  char number_text_[kSoffMax] = {};

  // The input of a session made without one: always at its end.
  struct NoInput final : Input {
    std::size_t read_some(char*, std::size_t) override { return 0; }
  };
  NoInput no_input_;
};

}  // namespace zorm
