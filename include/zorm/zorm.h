// zorm as a library: a calculator that evaluates statements of the zorm
// language (numbers, operators, functions, constants, comparisons, logic,
// conditionals, variables, comments and @ commands) in double precision, as
// the zorm program does, one statement at a time.
//
//   zorm::Calculator calc;
//   calc.text("x = 2 ^ 10");             // "()": an assignment has no value
//   calc.text("x / 4");                  // "256"
//   zorm::Result r = calc.evaluate("1 +");
//   // r.kind == zorm::Kind::failure, r.text == "Error.",
//   // r.message == "Bad expression", r.report == "   ^\n{Parsing failed on pos 3}\n"
//
// Needs C++17. Link the library: with CMake `find_package(zorm)` and the
// target zorm::zorm, or with pkg-config `pkg-config --cflags --libs zorm`.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zorm/version.h"

namespace zorm {

// The version of the library linked in, such as "0.1" (ZORM_VERSION is that
// of these headers).
const char* version() noexcept;

// How a calculator prints and reports. The defaults are the zorm program's.
struct Options {
  // The result line that print() writes: the statement and " = " first
  // (print_xp; with print_newline a line break after them), the result marker
  // "> " (print_symbol), then the result text and a line feed. A result whose
  // text equals the unit string is printed only with print_unit.
  bool print_xp = false;
  bool print_newline = false;
  bool print_unit = false;
  bool print_symbol = true;

  // The reports of failed statements: none at all without print_errors; the
  // line of carets under the failing text with show_error, and with
  // echo_input the statement's text on a line of its own before it.
  bool print_errors = true;
  bool show_error = true;
  bool echo_input = false;

  // The result text of a statement without value (an assignment, a command,
  // an empty statement).
  std::string unit_string = "()";

  // The seed of the random generator (the rand function): the same seed
  // gives the same numbers. Without one it is seeded from the time of day and
  // the process ids.
  std::optional<std::uint64_t> seed;

  // Where the statements' output goes (the print operation, the @vars
  // listing, @help, the lines of print()), as it is written. Null: it is
  // collected in Result::output instead.
  std::ostream* output = nullptr;
  // Where reports also go, as they are written (they are always in
  // Result::report too). Null: nowhere else.
  std::ostream* errors = nullptr;
};

// What a statement yielded.
enum class Kind {
  number,    // a value (Result::value)
  no_value,  // an assignment, a command, an empty statement, a comment
  failure,   // a syntax error, an unbound name, a lexical error, a domain error...
};

// One statement's outcome, with everything it wrote.
struct Result {
  Kind kind = Kind::no_value;
  // The number, when kind is number (NaN and the infinities included).
  double value = 0.0;
  // The result text, as the program prints it: the number's text ("3",
  // "0.333333333333", "1073741824.", "1e+12", "inf"), "NaN", the unit
  // string, or "Error." for a failure.
  std::string text;
  // For a failure, what failed: "Bad expression" for a syntax error,
  // "Unbound variable", "lexing: empty token", "Out of memory", ...
  std::string message;
  // The reports and notices the statement wrote, lines ending in a line feed:
  // the caret line and "{Parsing failed on pos 3}", "{Unbound variable:
  // `x'}". Failures other than syntax errors and unbound names write none.
  std::string report;
  // What the statement wrote to the output, when Options::output is null.
  std::string output;
  // The statement ran @exit (or @quit), which would end the program; it
  // yields no value and ends nothing here.
  bool exit = false;
};

// A variable and its value.
struct Binding {
  std::string name;
  double value = 0.0;
};

// A calculator: options, variables and random generator of its own, so that
// calculators are independent of each other (each one is for one thread at a
// time). Movable, not copyable; a calculator moved from may only be
// destroyed or assigned to.
class Calculator {
 public:
  explicit Calculator(Options options = {});
  ~Calculator();
  Calculator(Calculator&&) noexcept;
  Calculator& operator=(Calculator&&) noexcept;
  Calculator(const Calculator&) = delete;
  Calculator& operator=(const Calculator&) = delete;

  // The options it was made with.
  const Options& options() const;

  // Evaluates a statement and returns its result text (Result::text). Its
  // output and reports go to the streams of the options, or nowhere.
  std::string text(std::string_view statement);

  // Evaluates a statement and says what it yielded. A failed statement fails
  // alone: effects completed before the failure remain, and the next
  // statement runs. Throws only std::bad_alloc, when the result itself
  // cannot be made.
  Result evaluate(std::string_view statement);

  // evaluate(), then the result line written to the output as the program
  // writes it (see Options).
  Result print(std::string_view statement);

  // The value bound to a variable, if any.
  std::optional<double> value(std::string_view name) const;

  // Binds a variable, as the assignment `name = value` does. Throws
  // std::invalid_argument when `name` is not a variable name of the language
  // (a lower-case letter or "_", then letters, digits and _ ' - ~; not a
  // function, constant or keyword), and std::bad_alloc, with the variables as
  // they were, when memory runs out.
  void bind(std::string_view name, double value);

  // Every variable, in the order of the @vars listing.
  std::vector<Binding> variables() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zorm
