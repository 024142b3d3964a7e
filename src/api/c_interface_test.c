/* The C interface as a C program sees it: zorm/zorm_c.h alone, compiled as
 * C99. Prints each failed check and exits with status 1 after any. */
#include <stdio.h>
#include <string.h>

#include "zorm/zorm_c.h"

static int failures = 0;

#define CHECK(cond, what)                                                  \
  do {                                                                     \
    if (!(cond)) {                                                         \
      fprintf(stderr, "%s:%d: %s: %s\n", __FILE__, __LINE__, what, #cond); \
      ++failures;                                                          \
    }                                                                      \
  } while (0)

/* A result whose texts go into buffers of `capacity` bytes. */
typedef struct {
  zorm_result r;
  char text[64];
  char report[128];
  char output[128];
} texts;

static void init_texts(texts* t, size_t capacity) {
  zorm_result_init(&t->r);
  t->r.text.data = t->text;
  t->r.text.capacity = capacity < sizeof t->text ? capacity : sizeof t->text;
  t->r.report.data = t->report;
  t->r.report.capacity = sizeof t->report;
  t->r.output.data = t->output;
  t->r.output.capacity = sizeof t->output;
}

static int eval(zorm_calculator* calc, const char* statement, texts* t) {
  return zorm_evaluate(calc, statement, strlen(statement), &t->r);
}

/* Each statement in turn in one calculator (later rows see earlier ones). */
static void outcomes(void) {
  static const struct {
    const char* statement;
    int kind, failure, has_span;
    size_t start, end;
    const char* text;
    const char* report;
  } cases[] = {
      {"1 + 2 * 3", ZORM_KIND_NUMBER, ZORM_FAILURE_NONE, 0, 0, 0, "7", ""},
      {"x = 2 ^ 30", ZORM_KIND_NO_VALUE, ZORM_FAILURE_NONE, 0, 0, 0, "()", ""},
      {"x", ZORM_KIND_NUMBER, ZORM_FAILURE_NONE, 0, 0, 0, "1073741824.", ""},
      {"0 / 0", ZORM_KIND_NUMBER, ZORM_FAILURE_NONE, 0, 0, 0, "NaN", ""},
      {"1 +", ZORM_KIND_FAILURE, ZORM_FAILURE_SYNTAX, 1, 3, 3, "Error.", "   ^\n{Parsing failed on pos 3}\n"},
      {"1 + pi pi", ZORM_KIND_FAILURE, ZORM_FAILURE_SYNTAX, 1, 7, 9, "Error.",
       "       ^^\n{Parsing failed on pos 7-8: `pi'}\n"},
      {"2 * yy", ZORM_KIND_FAILURE, ZORM_FAILURE_UNBOUND_VARIABLE, 1, 4, 6, "Error.",
       "    ^^\n{Parsing failed on pos 4-5: `yy'}\n{Unbound variable: `yy'}\n"},
      {"2 $ 2", ZORM_KIND_FAILURE, ZORM_FAILURE_LEXICAL, 1, 2, 3, "Error.", ""},
      {"1 + .", ZORM_KIND_FAILURE, ZORM_FAILURE_BAD_NUMBER, 1, 4, 5, "Error.", ""},
      {"factorial 2.5", ZORM_KIND_FAILURE, ZORM_FAILURE_DOMAIN, 1, 0, 13, "Error.", ""},
      {"factorial 22", ZORM_KIND_FAILURE, ZORM_FAILURE_TOO_BIG, 1, 0, 12, "Error.", ""},
      {"x / 2 ^ 29", ZORM_KIND_NUMBER, ZORM_FAILURE_NONE, 0, 0, 0, "2", ""},
  };
  zorm_calculator* calc;
  CHECK(zorm_new(NULL, &calc) == ZORM_STATUS_OK, "new");
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    texts t;
    init_texts(&t, sizeof t.text);
    const char* s = cases[i].statement;
    CHECK(eval(calc, s, &t) == ZORM_STATUS_OK, s);
    CHECK(t.r.kind == cases[i].kind, s);
    CHECK(t.r.failure == cases[i].failure, s);
    CHECK(t.r.has_span == cases[i].has_span, s);
    CHECK(t.r.span_start == cases[i].start && t.r.span_end == cases[i].end, s);
    CHECK(strcmp(t.text, cases[i].text) == 0 && t.r.text.size == strlen(cases[i].text), s);
    CHECK(strcmp(t.report, cases[i].report) == 0 && t.r.report.size == strlen(cases[i].report), s);
    CHECK(t.r.output.size == 0 && t.output[0] == '\0', s);
    CHECK(!t.r.exit, s);
  }
  texts t;
  init_texts(&t, sizeof t.text);
  CHECK(eval(calc, "print 2 + 3", &t) == ZORM_STATUS_OK && t.r.value == 5.0, "print");
  CHECK(strcmp(t.output, "2\n") == 0, "print");
  CHECK(eval(calc, "@exit", &t) == ZORM_STATUS_OK && t.r.exit && t.r.kind == ZORM_KIND_NO_VALUE, "@exit");
  CHECK(strcmp(t.output, "Bye-bye!\n") == 0, "@exit");
  /* A statement is bytes: a NUL is a byte that begins no token. */
  CHECK(zorm_evaluate(calc, "1\0+", 3, &t.r) == ZORM_STATUS_OK && t.r.failure == ZORM_FAILURE_LEXICAL &&
            t.r.span_start == 1,
        "NUL");
  CHECK(zorm_evaluate(calc, NULL, 0, &t.r) == ZORM_STATUS_OK && t.r.kind == ZORM_KIND_NO_VALUE, "empty");
  zorm_free(calc);
}

/* A buffer too small gets what fits and a NUL, and the size of the whole;
 * the whole is there until the next statement. */
static void buffers(void) {
  zorm_calculator* calc;
  CHECK(zorm_new(NULL, &calc) == ZORM_STATUS_OK, "new");
  texts t;
  init_texts(&t, 4);
  CHECK(eval(calc, "1 / 3", &t) == ZORM_STATUS_OK, "1 / 3");
  CHECK(t.r.text.size == 14 && strcmp(t.text, "0.3") == 0, "cut text");
  char whole[15];
  CHECK(zorm_last_text(calc, whole, sizeof whole) == 14 && strcmp(whole, "0.333333333333") == 0, "last text");
  CHECK(zorm_last_text(calc, NULL, 0) == 14, "size alone");
  zorm_result sizes;
  zorm_result_init(&sizes);
  CHECK(zorm_evaluate(calc, "1 +", 3, &sizes) == ZORM_STATUS_OK && sizes.text.size == 6 &&
            sizes.report.size == 31,
        "sizes alone");
  char report[64];
  CHECK(zorm_last_report(calc, report, sizeof report) == 31 &&
            strcmp(report, "   ^\n{Parsing failed on pos 3}\n") == 0,
        "last report");
  CHECK(zorm_last_output(calc, report, sizeof report) == 0 && report[0] == '\0', "last output");
  zorm_free(calc);
}

static void variables(void) {
  zorm_calculator* calc;
  CHECK(zorm_new(NULL, &calc) == ZORM_STATUS_OK, "new");
  double v = -1;
  CHECK(zorm_value(calc, "n", 1, &v) == ZORM_STATUS_UNBOUND && v == -1, "unbound");
  CHECK(zorm_bind(calc, "n", 1, 5) == ZORM_STATUS_OK, "bind");
  CHECK(zorm_bind(calc, "rate'", 5, 0.5) == ZORM_STATUS_OK, "bind");
  CHECK(zorm_bind(calc, "pi", 2, 1) == ZORM_STATUS_NOT_A_NAME, "pi");
  CHECK(zorm_bind(calc, "a b", 3, 1) == ZORM_STATUS_NOT_A_NAME, "a b");
  CHECK(zorm_bind(calc, "", 0, 1) == ZORM_STATUS_NOT_A_NAME, "empty name");
  texts t;
  init_texts(&t, sizeof t.text);
  CHECK(eval(calc, "n * 2 + rate'", &t) == ZORM_STATUS_OK && strcmp(t.text, "10.5") == 0, "bound");
  CHECK(zorm_value(calc, "n", 1, &v) == ZORM_STATUS_OK && v == 5, "value");

  char names[16];
  double values[2];
  size_t count = 0;
  zorm_buffer listing = {names, sizeof names, 0};
  CHECK(
      zorm_variables(calc, &listing, values, 2, &count) == ZORM_STATUS_OK && count == 2 && listing.size == 8,
      "variables");
  /* The order of the @vars listing. */
  CHECK(eval(calc, "@vars", &t) == ZORM_STATUS_OK, "@vars");
  const char* first = strstr(t.output, names);
  const char* second = strstr(t.output, names + strlen(names) + 1);
  CHECK(first != NULL && second != NULL && first < second, "listing order");
  CHECK((values[0] == 5 && values[1] == 0.5) || (values[0] == 0.5 && values[1] == 5), "values");
  /* Room for one name alone: one entry written, the sizes of all. */
  listing.capacity = 5;
  count = 0;
  values[1] = -1;
  CHECK(zorm_variables(calc, &listing, values, 2, &count) == ZORM_STATUS_OK && count == 2 &&
            listing.size == 8 && values[1] == -1,
        "variables cut");

  CHECK(zorm_unbind(calc, "n", 1) == ZORM_STATUS_OK, "unbind");
  CHECK(zorm_unbind(calc, "n", 1) == ZORM_STATUS_UNBOUND, "unbind twice");
  CHECK(eval(calc, "n", &t) == ZORM_STATUS_OK && t.r.failure == ZORM_FAILURE_UNBOUND_VARIABLE,
        "unbound again");
  CHECK(zorm_clear(calc) == ZORM_STATUS_OK, "clear");
  CHECK(zorm_variables(calc, NULL, NULL, 0, &count) == ZORM_STATUS_OK && count == 0, "cleared");
  zorm_free(calc);
}

static void options(void) {
  zorm_options o;
  zorm_options_init(&o);
  CHECK(o.size == sizeof o && o.print_symbol && o.print_errors && o.show_error && !o.echo_input, "defaults");
  CHECK(o.report_line_limit == 4096, "defaults");
  o.unit_string = "none";
  o.unit_string_length = 4;
  o.print_unit = 1;
  o.print_symbol = 0;
  o.echo_input = 1;
  o.seeded = 1;
  o.seed = 7;
  zorm_calculator* a;
  zorm_calculator* b;
  CHECK(zorm_new(&o, &a) == ZORM_STATUS_OK && zorm_new(&o, &b) == ZORM_STATUS_OK, "new");
  texts t, u;
  init_texts(&t, sizeof t.text);
  init_texts(&u, sizeof u.text);
  CHECK(zorm_print(a, "x = 1", 5, &t.r) == ZORM_STATUS_OK && strcmp(t.output, "none\n") == 0, "unit string");
  CHECK(
      eval(a, "1 +", &t) == ZORM_STATUS_OK && strcmp(t.report, "1 +\n   ^\n{Parsing failed on pos 3}\n") == 0,
      "echo");
  CHECK(eval(a, "rand 1000000", &t) == ZORM_STATUS_OK && eval(b, "rand 1000000", &u) == ZORM_STATUS_OK &&
            strcmp(t.text, u.text) == 0,
        "seed");
  zorm_free(a);
  zorm_free(b);

  /* Unseeded calculators differ. */
  CHECK(zorm_new(NULL, &a) == ZORM_STATUS_OK && zorm_new(NULL, &b) == ZORM_STATUS_OK, "new");
  CHECK(eval(a, "rand 1000000 + rand 1000000 * 1000000", &t) == ZORM_STATUS_OK &&
            eval(b, "rand 1000000 + rand 1000000 * 1000000", &u) == ZORM_STATUS_OK &&
            strcmp(t.text, u.text) != 0,
        "unseeded");
  zorm_free(a);
  zorm_free(b);
}

static void misuse(void) {
  zorm_calculator* calc = NULL;
  zorm_result r;
  zorm_result_init(&r);
  double v;
  CHECK(zorm_new(NULL, NULL) == ZORM_STATUS_INVALID_ARGUMENT, "new without a place");
  zorm_options o;
  zorm_options_init(&o);
  o.size = 0;
  CHECK(zorm_new(&o, &calc) == ZORM_STATUS_INVALID_ARGUMENT && calc == NULL, "options without size");
  zorm_options_init(&o);
  o.unit_string_length = 3;
  CHECK(zorm_new(&o, &calc) == ZORM_STATUS_INVALID_ARGUMENT && calc == NULL, "unit string without text");
  CHECK(zorm_evaluate(NULL, "1", 1, &r) == ZORM_STATUS_INVALID_ARGUMENT, "NULL calc");
  CHECK(zorm_new(NULL, &calc) == ZORM_STATUS_OK, "new");
  CHECK(zorm_evaluate(calc, "1", 1, NULL) == ZORM_STATUS_INVALID_ARGUMENT, "NULL result");
  CHECK(zorm_evaluate(calc, NULL, 1, &r) == ZORM_STATUS_INVALID_ARGUMENT, "NULL statement");
  r.size = 0;
  CHECK(zorm_evaluate(calc, "1", 1, &r) == ZORM_STATUS_INVALID_ARGUMENT, "result without size");
  CHECK(zorm_bind(NULL, "a", 1, 1) == ZORM_STATUS_INVALID_ARGUMENT, "bind");
  CHECK(zorm_value(calc, "a", 1, NULL) == ZORM_STATUS_INVALID_ARGUMENT, "value");
  CHECK(zorm_value(NULL, "a", 1, &v) == ZORM_STATUS_INVALID_ARGUMENT, "value");
  CHECK(zorm_last_text(NULL, NULL, 0) == 0, "last text");
  zorm_free(calc);
  zorm_free(NULL);

  CHECK(strcmp(zorm_failure_message(ZORM_FAILURE_SYNTAX), "Bad expression") == 0, "message");
  CHECK(strcmp(zorm_failure_message(ZORM_FAILURE_NONE), "") == 0, "message");
  CHECK(strcmp(zorm_failure_message(-1), "") == 0 && strcmp(zorm_failure_message(1000), "") == 0, "message");
  CHECK(strcmp(zorm_version(), ZORM_VERSION) == 0, "version");
}

int main(void) {
  outcomes();
  buffers();
  variables();
  options();
  misuse();
  if (failures > 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures == 0 ? 0 : 1;
}
