// Whole statements through the parse loop: the arith and vars lines through
// the row-table loop and through the plain loop; and a million nested
// brackets with the 16-byte frames of statements shorter than 4 GiB and with
// the wide frames of longer ones.
#include <string>
#include <string_view>

#include "inputs.h"

namespace zorm::bench {
namespace {

enum class Loop { rows, plain };

void eval_lines(benchmark::State& state, const Lines& input, Loop loop) {
  Calculator calc;
  if (loop == Loop::plain) calc.parser().set_plain_loop();
  for (auto _ : state) {
    for (PaddedView line : input.lines) {
      double value = 0.0;
      benchmark::DoNotOptimize(calc.eval(line, &value));
      benchmark::DoNotOptimize(value);
    }
  }
  set_items(state, input.lines.size(), "line");
}

// Both loops give the same values on the lines before either is timed.
void loops_agree(const Lines& input) {
  Calculator rows, plain;
  plain.parser().set_plain_loop();
  for (PaddedView line : input.lines) {
    double a = 0.0, b = 0.0;
    require(rows.eval(line, &a) == plain.eval(line, &b) && (a == b || (a != a && b != b)),
            "the row-table loop and the plain loop compute the same");
  }
}

void parse_arith(benchmark::State& state, Loop loop) {
  loops_agree(arith_lines());
  eval_lines(state, arith_lines(), loop);
}
void parse_vars(benchmark::State& state, Loop loop) {
  loops_agree(vars_lines());
  eval_lines(state, vars_lines(), loop);
}
BENCHMARK_CAPTURE(parse_arith, rows, Loop::rows)->Name("ParseLoop_arith/row_tables");
BENCHMARK_CAPTURE(parse_arith, plain, Loop::plain)->Name("ParseLoop_arith/plain");
BENCHMARK_CAPTURE(parse_vars, rows, Loop::rows)->Name("ParseLoop_vars/row_tables");
BENCHMARK_CAPTURE(parse_vars, plain, Loop::plain)->Name("ParseLoop_vars/plain");

PaddedView nested() {
  static const PaddedString text(std::string(1000000, '(') + "1" + std::string(1000000, ')'));
  return text.view();
}

// A fresh evaluator each time, as in a process that reads the statement:
// the stacks grow from nothing.
void frames_nested(benchmark::State& state, bool wide) {
  for (auto _ : state) {
    Calculator calc;
    if (wide) calc.parser().set_wide_from(0);
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
