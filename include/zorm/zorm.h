// zorm as a library: a calculator that evaluates statements of the zorm
// language (numbers, operators, functions, constants, comparisons, logic,
// conditionals, variables, comments and @ commands) in double precision, as
// the zorm program does, one statement at a time. zorm/zorm_c.h is the same
// for C and every language that can call C.
//
//   zorm::Calculator calc;
//   calc.text("x = 2 ^ 10");             // "()": an assignment has no value
//   calc.text("x / 4");                  // "256"
//   zorm::Result r = calc.evaluate("1 +");
//   // r.kind == zorm::Kind::failure, r.failure == zorm::Failure::syntax,
//   // r.text == "Error.", r.message == "Bad expression", r.span == {3, 3},
//   // r.report == "   ^\n{Parsing failed on pos 3}\n"
//
// Needs C++17. Link the library: with CMake `find_package(zorm)` and the
// target zorm::zorm, or with pkg-config `pkg-config --cflags --libs zorm`.
//
// The language differs from the usual conventions in places (zorm(1), THE
// STATEMENT LANGUAGE, has all of it):
//   -2^2 is 4: the prefix minus binds tighter than ^;
//   2^3^2 is 64: ^ groups to the left, like every infix operator;
//   sin 0.5 ^ 2 is sin 0.25: a function's operand reaches over ^;
//   x-1 is one name: - ' and ~ continue a name, so write x - 1;
//   there is no exponent notation: 1e3 is the number 1 and the name e3 (a
//   syntax error), and 1 E 3 is 1000;
//   2*3%4 is 6: % binds tighter than *; floor 2.5 + 1 is 3: floor, ceil and
//   round reach over all arithmetic.
//
// What a calculator promises:
//   - evaluate(), print() and text() throw std::bad_alloc alone, and only when
//     the result itself cannot be made; a statement that runs out of memory
//     otherwise fails (Failure::out_of_memory) and the next one runs.
//   - The embedder's streams (Options::output, Options::errors) cannot break
//     a calculator: what they throw (std::ios_base::failure with exceptions
//     enabled, or whatever their stream buffer throws) is caught, and a
//     statement whose writing throws or leaves the stream failed fails with
//     Failure::output, unless it failed for a reason of its own, which is
//     kept. The stream is left in the state the failed write left it in, so
//     a stream that stays failed fails each statement that writes to it.
//   - After a large statement, report or output, a calculator gives the
//     memory back: what it holds between statements follows its variables.
//   - A calculator moved from works as a new one made with the default
//     options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zorm/export.h"
#include "zorm/version.h"

namespace zorm {

// The version of the library linked in, such as "0.1" (ZORM_VERSION is that
// of these headers).
ZORM_API const char* version() noexcept;

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
  // gives the same numbers. Without one it starts from the system's
  // entropy, and no two calculators share a sequence.
  std::optional<std::uint64_t> seed;

  // Where the statements' output goes (the print operation, the @vars
  // listing, @help, the lines of print()), as it is written. Null: it is
  // collected in Result::output instead.
  std::ostream* output = nullptr;
  // Where reports also go, as they are written (they are always in
  // Result::report too). Null: nowhere else.
  std::ostream* errors = nullptr;

  // The longest line of a report kept whole (the caret line of a huge
  // statement, its echo): a longer one keeps its first and its last half of
  // the limit, with "[N bytes cut]" between them, in Result::report and in
  // `errors`. 0: no limit. When memory runs out while a report is collected,
  // what was collected is kept and "{Report cut: out of memory}" ends it.
  std::size_t report_line_limit = 4096;
};

// What a statement yielded.
enum class Kind {
  number,    // a value (Result::value)
  no_value,  // an assignment, a command, an empty statement, a comment
  failure,   // a syntax error, an unbound name, a lexical error, a domain error...
};

// How a statement failed; each has its message (Result::message).
enum class Failure {
  none,              // the statement did not fail: ""
  syntax,            // "Bad expression"
  unbound_variable,  // "Unbound variable"
  lexical,           // "lexing: empty token": a byte that begins no token
  bad_number,        // "float_of_string": a point without digits, "."
  domain,            // "factorial: argument must be a natural number"
  too_big,           // "Factorial: Too big!": the factorial of more than 21
  out_of_memory,     // "Out of memory"
  output,            // "Output failed": a stream of the options failed
};

// The bytes [start, end) of a statement.
struct TextSpan {
  std::size_t start = 0;
  std::size_t end = 0;
  bool operator==(const TextSpan& other) const { return start == other.start && end == other.end; }
  bool operator!=(const TextSpan& other) const { return !(*this == other); }
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
  // For a failure, what failed, and its message: "Bad expression" for a
  // syntax error, "Unbound variable", "lexing: empty token", ...
  Failure failure = Failure::none;
  std::string message;
  // For a failure that lies in the statement's text, where: the token at
  // which a syntax error was found (empty at the end of the statement), the
  // unbound name, the byte that begins no token, the factorial's operand.
  std::optional<TextSpan> span;
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
// time; any number may run at once in any threads). Movable, not copyable; a
// calculator moved from works as a new one made with the default options.
class ZORM_API Calculator {
 public:
  explicit Calculator(Options options = {});
  ~Calculator();
  Calculator(Calculator&&) noexcept;
  Calculator& operator=(Calculator&&) noexcept;
  Calculator(const Calculator&) = delete;
  Calculator& operator=(const Calculator&) = delete;

  // The options it was made with.
  const Options& options() const noexcept;

  // Evaluates a statement and returns its result text (Result::text). Its
  // output and reports go to the streams of the options, or nowhere.
  std::string text(std::string_view statement);

  // Evaluates a statement and says what it yielded. A failed statement fails
  // alone: effects completed before the failure remain, and the next
  // statement runs. Throws only std::bad_alloc, when the result itself
  // cannot be made (see the promises at the top).
  Result evaluate(std::string_view statement);

  // evaluate(), then the result line written to the output as the program
  // writes it (see Options).
  Result print(std::string_view statement);

  // The value bound to a variable, if any.
  std::optional<double> value(std::string_view name) const noexcept;

  // Binds a variable, as the assignment `name = value` does. Throws
  // std::invalid_argument when `name` is not a variable name of the language
  // (a lower-case letter or "_", then letters, digits and _ ' - ~; not a
  // function, constant or keyword), and std::bad_alloc, with the variables as
  // they were, when memory runs out.
  void bind(std::string_view name, double value);
  // Removes a variable; false when none has that name.
  bool unbind(std::string_view name) noexcept;
  // Removes every variable, as @clear does.
  void clear() noexcept;

  // Every variable, in the order of the @vars listing.
  std::vector<Binding> variables() const;

 private:
  struct State;
  friend struct CalculatorState;
  std::unique_ptr<State> state_;
};

}  // namespace zorm
