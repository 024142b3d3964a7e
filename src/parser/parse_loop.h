// The grammar's state and its parse loop: a table-driven LALR(1) loop over
// explicit stacks that computes each production's value the moment the
// production is recognised.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "parser/numeric.h"
#include "parser/parse_stacks.h"
#include "parser/variables.h"
#include "report/reporter.h"
#include "util/padded.h"

namespace zorm {

// The grammar's state: the variable table, the random generator and the
// parse stacks, with the reporter and streams it writes through.
class Parser {
 public:
  explicit Parser(Reporter& reporter) : reporter_(&reporter) {}
  Parser(Reporter& reporter, std::uint64_t seed) : reporter_(&reporter), rng_(seed) {}

  // Parses and evaluates one statement. Returns true and sets *value when the
  // statement yields a number, false when it yields no value. Failures raise
  // EvalFailure (after their report); the exit command raises ExitRequest.
  bool parse(PaddedView text, double* value);
  // The same through the plain LALR loop over the generated tables, one
  // shift or reduction a step, every production through reduce(), in wide
  // frames: the twin that the row-table loop is checked and measured against.
  bool parse_plain(PaddedView text, double* value);

  // Statements of this length or more are parsed with WideFrame (at most 4
  // GiB - 1, the default); a test executable and the benchmarks lower it to
  // run the wide frames on short statements.
  void set_wide_from(std::size_t length) { wide_from_ = std::min(length, kWideFrom); }
  // Makes parse() take the plain loop for every statement (a test executable
  // runs the transcripts so); the test shares the wide frames' branch.
  void set_plain_loop() {
    wide_from_ = 0;
    plain_ = true;
  }

  // The value bound to `name`; when it is unbound, reports at `span` of the
  // statement and fails.
  double lookup_variable(std::string_view name, Span span);
  void bind_variable(std::string_view name, double value) { vars_.bind(name, value); }

  // The text of the statement being parsed, which the productions name
  // variables and report failures in.
  std::string_view statement() const { return statement_; }

  // Grows with every binding made, every clear and every random number drawn:
  // equal counts before and after a statement mean it changed nothing that
  // a later statement reads.
  std::uint64_t effects() const { return vars_.changes() + rng_.draws(); }
  // Gives the parse stacks back when they hold more than `bytes`.
  void give_back_stacks(std::size_t bytes) noexcept { stacks_.give_back_over(bytes); }

  VarTable& vars() { return vars_; }
  const VarTable& vars() const { return vars_; }
  Random& rng() { return rng_; }
  Reporter& reporter() { return *reporter_; }
  Output& out() { return reporter_->io().out(); }

 private:
  // The loop, a function of its own: inlined into its callers, it would have
  // fewer registers to itself.
  template <class F>
  [[gnu::noinline]] bool parse_rows(PaddedView text, double* value);

  static constexpr std::size_t kWideFrom = std::numeric_limits<std::uint32_t>::max();

  Reporter* reporter_;
  std::string_view statement_;  // set by parse() and parse_plain() for the statement's length
  VarTable vars_;
  Random rng_;
  std::size_t wide_from_ = kWideFrom;
  bool plain_ = false;
  ParseStacks stacks_;
};

}  // namespace zorm
