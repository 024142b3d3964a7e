// The core's smaller tricks against their plain versions: the four
// arithmetic operators picked without a branch, and a number's result line
// written in place in the output buffer.
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/evaluator.h"
#include "inputs.h"
#include "parser/productions.h"

namespace zorm::bench {
namespace {

// The plain arithmetic: a switch on the operator.
double arithmetic_switch(unsigned k, double a, double b) {
  switch (k) {
    case 0:
      return a + b;
    case 1:
      return a - b;
    case 2:
      return a * b;
    default:
      return a / b;
  }
}

struct Operation {
  unsigned k;
  double a;
  double b;
};

// Operators in an order the branch predictor cannot learn, as in the arith lines.
const std::vector<Operation>& operations() {
  static const std::vector<Operation> ops = [] {
    std::vector<Operation> r;
    std::mt19937 rng(7);
    for (int i = 0; i < 4096; ++i)
      r.push_back({static_cast<unsigned>(rng() % 4), static_cast<double>(rng() % 1000) + 0.5,
                   static_cast<double>(rng() % 1000) + 1.5});
    return r;
  }();
  return ops;
}

template <double (*kCompute)(unsigned, double, double)>
void arithmetic_bench(benchmark::State& state) {
  const std::vector<Operation>& ops = operations();
  for (const Operation& op : ops)
    require(arithmetic(op.k, op.a, op.b) == arithmetic_switch(op.k, op.a, op.b),
            "the branchless arithmetic computes what the switch computes");
  // Each result goes to a frame of its own, as in the parse loop, where the
  // lexing of the next tokens lies between two reductions.
  std::vector<double> results(ops.size());
  for (auto _ : state) {
    for (std::size_t i = 0; i < ops.size(); ++i) results[i] = kCompute(ops[i].k, ops[i].a, ops[i].b);
    benchmark::DoNotOptimize(results.data());
    benchmark::ClobberMemory();
  }
  set_items(state, ops.size(), "operation");
}
BENCHMARK(arithmetic_bench<arithmetic>)->Name("Arithmetic/branchless");
BENCHMARK(arithmetic_bench<arithmetic_switch>)->Name("Arithmetic/plain_switch");

// An output that drops what it is handed.
class Discard final : public Output {
 protected:
  void sink(const char*, std::size_t) override {}
};

// The results of the arith lines as the core's outcomes.
const std::vector<Outcome>& arith_outcomes() {
  static const std::vector<Outcome> outcomes = [] {
    std::vector<Outcome> r;
    for (double v : arith_results()) r.push_back(Outcome{OutcomeKind::number, FailureCode::none, v, "", false, Span{}});
    return r;
  }();
  return outcomes;
}

// The plain result line: the result text made, then written as any text.
void plain_line(Evaluator& core, std::string_view, const Outcome& outcome) {
  Output& out = core.io().out();
  out.write("> ");
  out.write(core.result_text(outcome));
  out.end_line();
}

void in_place_line(Evaluator& core, std::string_view statement, const Outcome& outcome) {
  core.write_result_line(statement, outcome);
}

template <void (*kWrite)(Evaluator&, std::string_view, const Outcome&)>
void result_line(benchmark::State& state) {
  const std::vector<Outcome>& outcomes = arith_outcomes();
  {
    StringOutput a_out, b_out, err;
    Evaluator a(a_out, err), b(b_out, err);
    for (const Outcome& o : outcomes) {
      in_place_line(a, "", o);
      plain_line(b, "", o);
    }
    require(a_out.text() == b_out.text(), "the line written in place is the plain line");
  }
  Discard out, err;
  Evaluator core(out, err);
  for (auto _ : state) {
    for (const Outcome& o : outcomes) kWrite(core, "", o);
  }
  set_items(state, outcomes.size(), "line");
}
BENCHMARK(result_line<in_place_line>)->Name("ResultLine/in_place");
BENCHMARK(result_line<plain_line>)->Name("ResultLine/plain_text");

}  // namespace
}  // namespace zorm::bench
