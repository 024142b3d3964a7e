// The evaluator: a table-driven LALR(1) parse loop over explicit stacks that
// computes each production's value the moment the production is recognised.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "lexer/mathcommon.h"
#include "lexer/mathlexer.h"
#include "parser/numeric.h"
#include "parser/vars.h"
#include "util/block.h"

namespace zorm {

// One recognised symbol on the parse stack: its value and its span. Spans are
// 32-bit for every statement shorter than 4 GiB (16 bytes a frame, which is
// what a deeply nested statement touches); longer statements are parsed with
// WideFrame. With 24-byte frames alone a million nested brackets take 1.10
// times the CPU time and 30 MiB instead of 22 MiB at the peak
// (bench/compare.py --workload nested; the parse alone 1.22 times,
// tools/microbench.sh --benchmark_filter=Frames); the arith lines take 0.5 %
// more instructions, no measurable time.
template <class Offset>
struct BasicFrame {
  double value;
  Offset start;
  Offset end;
};
using Frame = BasicFrame<std::uint32_t>;
using WideFrame = BasicFrame<std::size_t>;

// The grammar's state: the variable table, the random generator and the
// parser's working stacks, with the reporter and streams it writes through.
class Evaluator {
 public:
  explicit Evaluator(Reporter& reporter) : reporter_(reporter) {}
  Evaluator(Reporter& reporter, std::uint64_t seed) : reporter_(reporter), rng_(seed) {}

  // Parses and evaluates one statement, `buf`, which the caller has made the
  // reporter's current statement (the cell that reports and names read the
  // text from). Returns true and sets *value when the statement yields a
  // number, false when it yields no value. Failures raise EvalFailure (after
  // their report); the exit command raises ExitRequest.
  bool evalf(InputBuffer& buf, double* value);

  // Statements of this length or more are parsed with WideFrame (at most 4
  // GiB - 1, the default); a test executable and the benchmarks lower it to
  // run the wide frames on short statements.
  void set_wide_from(std::size_t length) { wide_from_ = std::min(length, kWideFrom); }

  // The value bound to name; reports at `span` and fails when it is unbound.
  double eval_local_var(std::string_view name, Span span);
  void bind_local_var(std::string_view name, double value) { vars_.bind(name, value); }

  // The text of a token on the stack (a VAR's name), from the current statement.
  template <class Offset>
  std::string_view text_of(const BasicFrame<Offset>& f) const {
    return reporter_.lexbuf().get()->text.substr(f.start, f.end - f.start);
  }

  VarTable& vars() { return vars_; }
  Random& rng() { return rng_; }
  Reporter& reporter() { return reporter_; }
  Output& out() { return reporter_.io().out(); }

 private:
  Reporter& reporter_;
  VarTable vars_;
  Random rng_;
  // The parse loop, a function of its own: inlined into its callers, the
  // loop would have fewer registers to itself.
  template <class F>
  [[gnu::noinline]] bool parse(InputBuffer& buf, double* value);
  // Grows both parse stacks beyond `entries` entries (a deep statement).
  template <class F>
  [[gnu::noinline]] void grow_stacks(std::size_t entries);

  static constexpr std::size_t kWideFrom = std::numeric_limits<std::uint32_t>::max();
  std::size_t wide_from_ = kWideFrom;
  // The parse stacks. They keep their memory from one statement to the next
  // while it is on the heap; a deep statement maps them (see Block), and
  // gives the mappings back when it ends.
  Block frames_;
  Block states_;
};

}  // namespace zorm
