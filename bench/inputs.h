// The micro-benchmarks' inputs (the lines of the whole-program benchmark,
// written by microbench_inputs.py) and what they share: an evaluator over
// memory streams, the check that a trick and its plain version agree, and
// the per-item rate the pair table reads.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "report/reporter.h"
#include "parser/parse_loop.h"
#include "util/io.h"
#include "util/padded.h"

namespace zorm::bench {

// A file of lines, held whole; `lines` are padded views into `text`, where
// a NUL takes each line feed's place and padding follows the last line.
struct Lines {
  std::string text;
  std::vector<PaddedView> lines;
  std::size_t bytes() const { return text.size(); }
};

// The inputs, read once: arith.txt, vars.txt and prose.txt of the inputs
// directory ($ZORM_BENCH_INPUTS, or the one the build wrote).
const Lines& arith_lines();
const Lines& vars_lines();
const Lines& prose_lines();

// The results of the arith lines, the values the number text is made for.
const std::vector<double>& arith_results();
// The number lexemes of the arith lines, each padded.
const Lines& arith_numbers();

// The parser with its streams, as the core holds them.
class Calculator {
 public:
  // The parse loop on one statement; false for no value. Failures are the caller's.
  bool eval(PaddedView text, double* value) { return parser_.parse(text, value); }
  Parser& parser() { return parser_; }

 private:
  StringOutput out_;
  StringOutput err_;
  Streams streams_{out_, err_};
  Reporter reporter_{streams_};
  Parser parser_{reporter_, 1};
};

// Ends the run with a message when a trick and its plain version disagree on
// the inputs: a figure for a wrong answer is no figure.
void require(bool ok, std::string_view what);

// Reports `items` of a kind ("line", "number", ...) per iteration, so that
// the pair table can give the time of one.
void set_items(benchmark::State& state, std::size_t items, const char* kind);

}  // namespace zorm::bench
