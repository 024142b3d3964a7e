// Fuzz target: one statement of any bytes, evaluated by a fresh session.
//
// The first byte picks the settings: bit 0 flips print-errors, bit 1 flips
// show-error, bit 2 flips echo-input, bits 3-4 pick the unit string, bit 5
// evaluates through print_eval (bits 6-7 flip print-xp and print-unit)
// instead of the result text alone. The rest is the statement (at most 4 KB).
//
// Invariants:
// - the plain parse loop, in a session in the same state, gives the same
//   outcome (value bits, kind, message, span), output, reports and
//   variables;
// - the result text is number_text's, "NaN", the unit string or "Error.";
// - standard error holds only well-formed reports (echo, caret line,
//   message, hint, unbound-name notice) and "Unrecognized command!"; a caret
//   line and the offsets of a message lie within the statement or one past
//   its end, and agree with each other;
// - with print-errors off nothing but "Unrecognized command!" is reported;
// - the variable table changes only through a token that can have an effect
//   (an assignment, "++", "--", "@") lexed before the failure point: a
//   statement without one, or one whose reported failure lies before the
//   first of them, leaves the table exactly as it was (order included);
// - number_text agrees with its definition ("%.12g" and the small-integer rule) for
//   the double whose bits are the statement's first 8 bytes, for the number
//   the statement starts with, and for a few values derived from them;
// - the session is fit for the next statement: evaluated after it, a plain
//   statement gives its value (the parser's stacks are reused, grown by a
//   deep statement evaluated before the fuzzed one).
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "lexer/lexer.h"
#include "session/session.h"
#include "support/session_fixture.h"

using namespace zorm;
using namespace zorm::fuzz;

namespace {

constexpr std::size_t kMaxStatement = 4096;
constexpr std::string_view kUnits[] = {"()", "", "0", "unit"};

// Start of the first token that can change the variable table, among the
// tokens the lexer can make before the end or its first failure; npos if none.
std::size_t first_effect_token(std::string_view text) {
  const PaddedString padded(text);
  std::size_t pos = 0, start = 0;
  for (;;) {
    double number = 0.0;
    Tok t;
    try {
      t = scan(padded.view(), pos, start, &number);
    } catch (const EvalFailure&) {
      return std::string_view::npos;
    }
    if (t == Tok::END) return std::string_view::npos;
    if (t == Tok::ASSIGN || t == Tok::INCR || t == Tok::DECR || t == Tok::CMD) return start;
  }
}

bool parse_number(std::string_view s, std::size_t& at, std::size_t* out) {
  std::size_t v = 0;
  std::size_t begin = at;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
    v = v * 10 + static_cast<std::size_t>(s[at] - '0');
    if (v > (std::size_t{1} << 40)) return false;
    ++at;
  }
  *out = v;
  return at > begin;
}

// Checks the reports on standard error; returns the start offset of the last
// report, or npos when there was none.
std::size_t check_reports(const std::vector<std::string>& chunks, std::string_view text,
                          const ReportFlags& f) {
  const std::size_t len = text.size();
  const bool echo = f.echo_input && f.show_error && f.print_errors;
  std::size_t last = std::string_view::npos;
  std::size_t i = 0;
  auto next = [&](const char* what) -> const std::string& {
    if (i >= chunks.size()) fail(what, "standard error ended inside a report");
    return chunks[i++];
  };
  while (i < chunks.size()) {
    if (chunks[i] == "Unrecognized command!\n") {
      ++i;
      continue;
    }
    if (!f.print_errors) fail("a report with print-errors off", chunks[i]);
    if (echo && next("echo") != std::string(text) + "\n") fail("echo line is not the statement", chunks[i - 1]);
    std::size_t caret_start = 0, caret_end = 0;
    if (f.show_error) {
      const std::string& c = next("caret line");
      std::size_t k = 0;
      while (k < c.size() && c[k] == ' ') ++k;
      caret_start = k;
      while (k < c.size() && c[k] == '^') ++k;
      caret_end = k;
      if (caret_end == caret_start || k + 1 != c.size() || c[k] != '\n') fail("malformed caret line", c);
      if (caret_start > len || caret_end > len + 1) fail("caret line beyond the statement", c);
    }
    const std::string& m = next("message");
    constexpr std::string_view kHead = "{Parsing failed on pos ";
    if (m.compare(0, kHead.size(), kHead) != 0) fail("unexpected notice", m);
    std::size_t at = kHead.size(), n = 0, last_byte = 0;
    if (!parse_number(m, at, &n)) fail("message without offset", m);
    if (n > len) fail("message offset beyond the statement", m);
    bool range = at < m.size() && m[at] == '-';
    if (range) {
      ++at;
      if (!parse_number(m, at, &last_byte)) fail("range without end", m);
      if (last_byte <= n || last_byte >= len) fail("range offsets outside the statement", m);
    }
    if (f.show_error) {
      if (n != caret_start) fail("caret line and message disagree on the start", m);
      if (range ? caret_end != last_byte + 1 : caret_end != caret_start + 1)
        fail("caret line and message disagree on the end", m);
    }
    if (m.back() != '\n') fail("message without line feed", m);
    last = n;
    if (i < chunks.size() && chunks[i].rfind("{Perhaps you are trying", 0) == 0) ++i;
    if (i < chunks.size() && chunks[i].rfind("{Unbound variable: `", 0) == 0) ++i;
  }
  return last;
}

void check_number_text_around(double x) {
  check_number_text(x);
  check_number_text(-x);
  check_number_text(std::nextafter(x, 0.0));
  check_number_text(std::nextafter(x, HUGE_VAL));
  check_number_text(std::nearbyint(x));
  check_number_text(std::nearbyint(x * 1e3) / 1e3);
  check_number_text(std::nearbyint(x * 1e6) / 1e6);
  check_number_text(x / 7.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxStatement + 1) return -1;
  const std::uint8_t sel = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  if (text.size() >= 8) {
    double bits;
    std::memcpy(&bits, text.data(), sizeof bits);
    check_number_text_around(bits);
  }
  check_number_text_around(std::strtod(text.c_str(), nullptr));

  // The session under test, and its twin on the plain parse loop.
  struct Run {
    StringInput in{""};
    ChunkOutput out;
    ChunkOutput err;
    Session session{in, out, err, {"zorm"}, 7};
    Outcome outcome;
    bool exited = false;
  };
  Run runs[2];
  runs[1].session.core().parser().set_plain_loop();
  const bool via_print = (sel & 32) != 0;
  for (Run& run : runs) {
    Evaluator& core = run.session.core();
    ReportFlags& f = core.report_flags();
    if (sel & 1) f.print_errors = !f.print_errors;
    if (sel & 2) f.show_error = !f.show_error;
    if (sel & 4) f.echo_input = !f.echo_input;
    ResultFormat& format = core.format();
    format.unit_string = std::string(kUnits[(sel >> 3) & 3]);
    if (sel & 64) format.print_xp = !format.print_xp;
    if (sel & 128) format.print_unit = !format.print_unit;
    // A table with a few bindings, grown once, so that a change shows.
    Parser& parser = core.parser();
    parser.bind_variable("x", 1.0);
    parser.bind_variable("y", -0.0);
    parser.bind_variable("a-b", 1e300);
    parser.bind_variable("nan", std::numeric_limits<double>::quiet_NaN());
    for (int k = 0; k < 20; ++k) parser.bind_variable("v" + std::to_string(k), k);
  }
  Session& s = runs[0].session;
  ChunkOutput& out = runs[0].out;
  ChunkOutput& err = runs[0].err;
  const ReportFlags& f = s.core().report_flags();
  const std::string deep = std::string(64, '(') + "-1" + std::string(64, ')') + " + 2";
  if (testing::text_of(s.core(), deep) != "1") fail("deep warm-up statement");
  const Snapshot before = snapshot(s.core().parser().vars());

  for (Run& run : runs) {
    try {
      run.outcome = run.session.core().evaluate(text);
      if (via_print) run.session.core().write_result_line(text, run.outcome);
    } catch (const ExitRequest&) {
      run.exited = true;
    }
  }
  // The core's evaluate catches every failure; nothing else may leave it.
  const bool exited = runs[0].exited;
  const Outcome& a = runs[0].outcome;
  const Outcome& b = runs[1].outcome;
  if (runs[1].exited != exited || a.kind != b.kind || std::memcmp(&a.value, &b.value, sizeof a.value) != 0 ||
      std::strcmp(a.message, b.message) != 0 || a.has_span != b.has_span || a.span != b.span)
    fail("the plain parse loop gives another outcome", text);
  runs[1].err.flush();
  err.flush();
  if (runs[1].out.text() != out.text() || runs[1].err.chunks != err.chunks)
    fail("the plain parse loop gives other output or reports", text);
  if (snapshot(runs[1].session.core().parser().vars()) != snapshot(s.core().parser().vars()))
    fail("the plain parse loop leaves other variables", text);
  const std::string result = exited ? std::string() : std::string(s.core().result_text(a));

  if (!exited && !is_result_text(result, s.core().format().unit_string)) fail("not a result text", result);
  if (exited && out.text().find("Bye-bye!\n") == std::string::npos) fail("exit without its reply", out.text());
  if (via_print && !exited) {
    const std::string& o = out.text();
    if (!o.empty() && o.back() != '\n') fail("the result line is unfinished", o);
  }

  err.flush();
  const std::size_t report_at = check_reports(err.chunks, text, f);

  const std::size_t effect_at = first_effect_token(text);
  bool must_be_unchanged = effect_at == std::string_view::npos;
  if (!exited && result == "Error." && report_at != std::string_view::npos && report_at <= effect_at)
    must_be_unchanged = true;
  if (must_be_unchanged && snapshot(s.core().parser().vars()) != before)
    fail("variable table changed without an effect", text);

  if (!exited && testing::text_of(s.core(), "1 + 2 * -(3)") != "-5")
    fail("the next statement fails after this one", text);
  return 0;
}
