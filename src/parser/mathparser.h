// The evaluator: a table-driven LALR(1) parse loop over explicit stacks that
// computes each production's value the moment the production is recognised.
#pragma once

#include <cstddef>
#include <cstdint>
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
// WideFrame.
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

  // The parse stacks. They keep their memory from one statement to the next
  // while it is on the heap; a deep statement maps them (see Block), and
  // gives the mappings back when it ends.
  Block frames_;
  Block states_;
};

}  // namespace zorm
