// Whole statements through the parse loop (evalf): the arith and vars lines,
// and a million nested brackets; with the 16-byte frames of statements
// shorter than 4 GiB and with the wide frames of longer ones.
#include <string>
#include <string_view>

#include "inputs.h"

namespace zorm::bench {
namespace {

void eval_lines(benchmark::State& state, const Lines& input, bool wide) {
  Calculator calc;
  if (wide) calc.evaluator().set_wide_from(0);
  for (auto _ : state) {
    for (PaddedView line : input.lines) {
      double value = 0.0;
      benchmark::DoNotOptimize(calc.eval(line, &value));
      benchmark::DoNotOptimize(value);
    }
  }
  set_items(state, input.lines.size(), "line");
}

void parse_arith(benchmark::State& state) { eval_lines(state, arith_lines(), false); }
void parse_vars(benchmark::State& state) { eval_lines(state, vars_lines(), false); }
BENCHMARK(parse_arith)->Name("ParseLoop/arith");
BENCHMARK(parse_vars)->Name("ParseLoop/vars");

void frames_arith(benchmark::State& state, bool wide) {
  Calculator narrow, other;
  other.evaluator().set_wide_from(0);
  for (PaddedView line : arith_lines().lines) {
    double a = 0.0, b = 0.0;
    narrow.eval(line, &a);
    other.eval(line, &b);
    require(a == b, "the narrow and the wide frames compute the same");
  }
  eval_lines(state, arith_lines(), wide);
}
BENCHMARK_CAPTURE(frames_arith, narrow, false)->Name("Frames_arith/narrow");
BENCHMARK_CAPTURE(frames_arith, wide, true)->Name("Frames_arith/plain_wide");

PaddedView nested() {
  static const PaddedString text(std::string(1000000, '(') + "1" + std::string(1000000, ')'));
  return text.view();
}

// A fresh evaluator each time, as in a process that reads the statement:
// the stacks grow from nothing.
void frames_nested(benchmark::State& state, bool wide) {
  for (auto _ : state) {
    Calculator calc;
    if (wide) calc.evaluator().set_wide_from(0);
    double value = 0.0;
    calc.eval(nested(), &value);
    benchmark::DoNotOptimize(value);
  }
  set_items(state, 1, "statement");
}
BENCHMARK_CAPTURE(frames_nested, narrow, false)->Name("Frames_nested/narrow")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frames_nested, wide, true)->Name("Frames_nested/plain_wide")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorm::bench
