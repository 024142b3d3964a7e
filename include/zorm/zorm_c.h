/* zorm for C, and for every language that can call C: a calculator that
 * evaluates statements of the zorm language in double precision, as the zorm
 * program does, one statement at a time. C99; the C++ interface is
 * zorm/zorm.h, over the same evaluator.
 *
 *   zorm_calculator* calc;
 *   zorm_new(NULL, &calc);                           (NULL: the default options)
 *   char text[64];
 *   zorm_result r;
 *   zorm_result_init(&r);
 *   r.text.data = text;
 *   r.text.capacity = sizeof text;
 *   zorm_evaluate(calc, "x = 2 ^ 10", 10, &r);       text "()": no value
 *   zorm_evaluate(calc, "x / 4", 5, &r);             text "256", r.kind ZORM_KIND_NUMBER, r.value 256
 *   zorm_evaluate(calc, "1 +", 3, &r);               text "Error.", r.failure ZORM_FAILURE_SYNTAX,
 *                                                    span 3 to 3, report "   ^\n{Parsing failed on pos 3}\n"
 *   zorm_free(calc);
 *
 * Link the library: with CMake find_package(zorm) and the target zorm::zorm,
 * or with pkg-config (pkg-config --cflags --libs zorm); a C program links the
 * C++ runtime too (the CMake target and zorm.pc name it).
 *
 * The language differs from the usual conventions in places (zorm(1), THE
 * STATEMENT LANGUAGE, has all of it):
 *   -2^2 is 4: the prefix minus binds tighter than ^;
 *   2^3^2 is 64: ^ groups to the left, like every infix operator;
 *   sin 0.5 ^ 2 is sin 0.25: a function's operand reaches over ^;
 *   x-1 is one name: - ' and ~ continue a name, so write x - 1;
 *   there is no exponent notation: 1e3 is the number 1 and the name e3 (a
 *   syntax error), and 1 E 3 is 1000;
 *   2*3%4 is 6: % binds tighter than *; floor 2.5 + 1 is 3: floor, ceil and
 *   round reach over all arithmetic.
 *
 * The rules of this interface:
 *   - Nothing here is C++: no exception leaves a function, and running out
 *     of memory is a status (ZORM_STATUS_OUT_OF_MEMORY) or a statement's
 *     failure (ZORM_FAILURE_OUT_OF_MEMORY).
 *   - Text goes in as a pointer and a length (it may hold any bytes, NULs
 *     included), and comes out into buffers that the caller owns
 *     (zorm_buffer): each says how long the whole text is, so that a buffer
 *     too small can be made bigger and the text fetched again.
 *   - The structs that cross (zorm_options, zorm_result) start with their
 *     size, which their init function sets: a later version of the library
 *     adds fields at their end and reads or writes only the fields that the
 *     caller's struct has.
 *   - Every value is an int, a double, a size_t, a uint64_t or a pointer.
 *   - A calculator is for one thread at a time; calculators share nothing,
 *     so any number of them may run at once in any threads. */
#ifndef ZORM_ZORM_C_H
#define ZORM_ZORM_C_H

#include <stddef.h>
#include <stdint.h>

#include "zorm/export.h"
#include "zorm/version.h"

/* C++ sees that no function of this interface throws. */
#ifdef __cplusplus
#define ZORM_NOEXCEPT noexcept
#else
#define ZORM_NOEXCEPT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* What a function returns: ZORM_STATUS_OK, or why it did nothing. (A statement
 * that fails is not a failed call: zorm_evaluate returns ZORM_STATUS_OK and the
 * result says how the statement failed.) */
enum zorm_status {
  ZORM_STATUS_OK = 0,
  ZORM_STATUS_INVALID_ARGUMENT = 1, /* a NULL pointer where one is needed, a struct size too small */
  ZORM_STATUS_NOT_A_NAME = 2,       /* not a variable name of the language (see zorm_bind) */
  ZORM_STATUS_UNBOUND = 3,          /* no variable of that name */
  ZORM_STATUS_OUT_OF_MEMORY = 4     /* nothing was changed */
};

/* What a statement yielded. */
enum zorm_kind {
  ZORM_KIND_NUMBER = 0,   /* a value: zorm_result.value */
  ZORM_KIND_NO_VALUE = 1, /* an assignment, a command, an empty statement, a comment */
  ZORM_KIND_FAILURE = 2   /* zorm_result.failure says which */
};

/* How a statement failed, each with its message (zorm_failure_message). */
enum zorm_failure {
  ZORM_FAILURE_NONE = 0,             /* the statement did not fail: "" */
  ZORM_FAILURE_SYNTAX = 1,           /* "Bad expression" */
  ZORM_FAILURE_UNBOUND_VARIABLE = 2, /* "Unbound variable" */
  ZORM_FAILURE_LEXICAL = 3,          /* "lexing: empty token": a byte that begins no token */
  ZORM_FAILURE_BAD_NUMBER = 4,       /* "float_of_string": a point without digits, "." */
  ZORM_FAILURE_DOMAIN = 5,           /* "factorial: argument must be a natural number" */
  ZORM_FAILURE_TOO_BIG = 6,          /* "Factorial: Too big!": the factorial of more than 21 */
  ZORM_FAILURE_OUT_OF_MEMORY = 7,    /* "Out of memory" */
  ZORM_FAILURE_OUTPUT = 8            /* "Output failed": a stream of the embedder's failed (C++ only) */
};

/* The message of a failure code ("Bad expression", ...), a static text; ""
 * for ZORM_FAILURE_NONE and for a code this version does not know. */
ZORM_API const char* zorm_failure_message(int failure) ZORM_NOEXCEPT;

/* The version of the library linked in, such as "0.1" (ZORM_VERSION is that
 * of these headers). */
ZORM_API const char* zorm_version(void) ZORM_NOEXCEPT;

/* A calculator: options, variables and a random generator of its own. */
typedef struct zorm_calculator zorm_calculator;

/* How a calculator prints and reports; zorm_options_init gives the zorm
 * program's defaults. Booleans are ints: zero is false. */
typedef struct zorm_options {
  size_t size; /* sizeof(zorm_options), as zorm_options_init sets it */

  /* The result line that zorm_print writes to the output: the statement and
   * " = " first (print_xp; with print_newline a line break after them), the
   * result marker "> " (print_symbol), then the result text and a line feed.
   * A result whose text equals the unit string is printed only with
   * print_unit. Defaults: off, off, off, on. */
  int print_xp;
  int print_newline;
  int print_unit;
  int print_symbol;

  /* The reports of failed statements: none at all without print_errors; the
   * line of carets under the failing text with show_error, and with
   * echo_input the statement's text on a line of its own before it.
   * Defaults: on, on, off. */
  int print_errors;
  int show_error;
  int echo_input;

  /* With `seeded` nonzero the random generator (rand) starts from `seed`: the
   * same seed gives the same numbers. Otherwise (the default) it starts from
   * the system's entropy, and no two calculators share a sequence. */
  int seeded;
  uint64_t seed;

  /* The result text of a statement without value: `unit_string_length`
   * bytes at `unit_string`. NULL (the default): "()". */
  const char* unit_string;
  size_t unit_string_length;

  /* The longest line of a report kept whole (the caret line of a huge
   * statement, its echo): a longer one keeps its first and its last half of
   * the limit, with "[N bytes cut]" between them. 0: no limit. Default:
   * 4096. When memory runs out while a report is collected, what was
   * collected is kept and "{Report cut: out of memory}" ends it. */
  size_t report_line_limit;
} zorm_options;

/* Fills `options` with the defaults and its size. */
ZORM_API void zorm_options_init(zorm_options* options) ZORM_NOEXCEPT;

/* Makes a calculator with `options` (NULL: the defaults) and sets *calc to
 * it. Returns ZORM_STATUS_OUT_OF_MEMORY when memory runs out, and
 * ZORM_STATUS_INVALID_ARGUMENT for a NULL calc, options whose size is smaller
 * than this version's zorm_options, or a NULL unit_string with a nonzero
 * length; *calc is then NULL (when calc is not). Fields beyond those that
 * this version knows (a later header's) are ignored. */
ZORM_API int zorm_new(const zorm_options* options, zorm_calculator** calc) ZORM_NOEXCEPT;

/* Frees a calculator; NULL does nothing. */
ZORM_API void zorm_free(zorm_calculator* calc) ZORM_NOEXCEPT;

/* A text that the library writes into the caller's memory. Before a call the
 * caller sets `data` and `capacity` (NULL and 0: the text is not wanted,
 * only its size). The call sets `size` to the whole text's length, writes
 * the first min(size, capacity - 1) bytes and a NUL after them (when
 * capacity is not 0); size >= capacity says the text was cut. */
typedef struct zorm_buffer {
  char* data;
  size_t capacity;
  size_t size;
} zorm_buffer;

/* One statement's outcome, with everything it wrote. */
typedef struct zorm_result {
  size_t size; /* sizeof(zorm_result), as zorm_result_init sets it */

  int kind;     /* enum zorm_kind */
  int failure;  /* enum zorm_failure; ZORM_FAILURE_NONE unless kind is ZORM_KIND_FAILURE */
  int has_span; /* the failure has a span: the bytes [span_start, span_end) of the statement */
  int exit;     /* the statement ran @exit (or @quit): it yields no value and ends nothing here */
  double value; /* the number, when kind is ZORM_KIND_NUMBER (NaN and the infinities included) */
  size_t span_start;
  size_t span_end;

  /* The result text, as the program prints it: the number's text ("3",
   * "0.333333333333", "1073741824.", "1e+12", "inf"), "NaN", the unit string,
   * or "Error." for a failure. */
  zorm_buffer text;
  /* The reports and notices the statement wrote, lines ending in a line
   * feed: the caret line and "{Parsing failed on pos 3}", "{Unbound
   * variable: `x'}". Failures other than syntax errors and unbound names
   * write none. */
  zorm_buffer report;
  /* What the statement wrote to the output: the print operation, the @vars
   * listing, @help, and zorm_print's result line. */
  zorm_buffer output;
} zorm_result;

/* Zeroes `result` (no buffers: only the sizes of the texts) and sets its size. */
ZORM_API void zorm_result_init(zorm_result* result) ZORM_NOEXCEPT;

/* Evaluates the `length` bytes at `statement` (NULL is the empty statement
 * when length is 0) and fills `result`, writing its texts into the buffers
 * that `result` holds. A failed statement fails alone: effects completed
 * before the failure remain, and the next statement runs. Returns
 * ZORM_STATUS_OK, or ZORM_STATUS_INVALID_ARGUMENT (and does nothing) for a
 * NULL calc or result, a result whose size is smaller than this version's
 * zorm_result, or a NULL statement with a nonzero length. When memory runs
 * out the statement fails with ZORM_FAILURE_OUT_OF_MEMORY. */
ZORM_API int zorm_evaluate(zorm_calculator* calc, const char* statement, size_t length,
                           zorm_result* result) ZORM_NOEXCEPT;

/* zorm_evaluate, then the result line written to the output as the program
 * writes it (see zorm_options). */
ZORM_API int zorm_print(zorm_calculator* calc, const char* statement, size_t length,
                        zorm_result* result) ZORM_NOEXCEPT;

/* The texts of the last statement evaluated, whole, until the next one:
 * each returns the text's length and writes it as zorm_buffer says (the
 * first min(length, capacity - 1) bytes and a NUL). 0 for a NULL calc. */
ZORM_API size_t zorm_last_text(const zorm_calculator* calc, char* data, size_t capacity) ZORM_NOEXCEPT;
ZORM_API size_t zorm_last_report(const zorm_calculator* calc, char* data, size_t capacity) ZORM_NOEXCEPT;
ZORM_API size_t zorm_last_output(const zorm_calculator* calc, char* data, size_t capacity) ZORM_NOEXCEPT;

/* Binds a variable, as the assignment `name = value` does. Returns
 * ZORM_STATUS_NOT_A_NAME when the `length` bytes at `name` are not a
 * variable name of the language (a lower-case letter or "_", then letters,
 * digits and _ ' - ~; not a function, constant or keyword), and
 * ZORM_STATUS_OUT_OF_MEMORY, the variables as they were, when memory runs
 * out. */
ZORM_API int zorm_bind(zorm_calculator* calc, const char* name, size_t length, double value) ZORM_NOEXCEPT;

/* Removes a variable. Returns ZORM_STATUS_UNBOUND when none has that name. */
ZORM_API int zorm_unbind(zorm_calculator* calc, const char* name, size_t length) ZORM_NOEXCEPT;

/* Removes every variable, as @clear does. */
ZORM_API int zorm_clear(zorm_calculator* calc) ZORM_NOEXCEPT;

/* Sets *value to the value bound to a variable. Returns ZORM_STATUS_UNBOUND
 * (and leaves *value) when none has that name. */
ZORM_API int zorm_value(const zorm_calculator* calc, const char* name, size_t length,
                        double* value) ZORM_NOEXCEPT;

/* Every variable, in the order of the @vars listing. Sets *count to the
 * number of variables and names->size to the bytes that all their names
 * take, each name followed by a NUL; writes the names one after the other
 * into names->data and their values into values[0], values[1], ..., as many
 * variables as both have room for (names, values or count may be NULL when
 * not wanted). */
ZORM_API int zorm_variables(const zorm_calculator* calc, zorm_buffer* names, double* values,
                            size_t values_capacity, size_t* count) ZORM_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif
