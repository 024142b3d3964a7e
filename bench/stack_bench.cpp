// The parse stacks' memory: Block (the heap, then a mapping of its own in
// huge pages that grows with mremap) against std::vector, each grown the way
// the parse loop grows it, with 16-byte frames and 2-byte states: the pushes
// of a million nested brackets in fresh stacks, as in a process that reads
// that statement, and the pushes of the arith lines (one a token) in stacks
// kept from one statement to the next.
#include <cstdint>
#include <vector>

#include "inputs.h"
#include "lexer/lexer.h"
#include "parser/parse_stacks.h"

namespace zorm::bench {
namespace {

// The parse loop's own stacks, grown by its own rule: room made for
// ParseStacks::kFirstEntries, then grown whenever they are full.
class BlockStacks {
 public:
  BlockStacks() { reset(); }
  void push(StateCell state, const Frame& frame) {
    if (top_ == limit_) {
      stacks_.grow<Frame>(limit_ + 1);
      limit_ = stacks_.entries<Frame>() - 1;
    }
    ++top_;
    stacks_.states()[top_] = state;
    stacks_.frames<Frame>()[top_] = frame;
  }
  // The end of a statement: mapped stacks go back, as after every statement.
  void reset() {
    stacks_.give_back();
    stacks_.prepare<Frame>();
    top_ = 0;
    limit_ = stacks_.entries<Frame>() - 1;
  }
  std::size_t depth() const { return top_; }

 private:
  ParseStacks stacks_;
  std::size_t top_ = 0;
  std::size_t limit_ = 0;
};

// The plain stacks: two vectors and push_back.
class VectorStacks {
 public:
  VectorStacks() { reset(); }
  void push(std::int16_t state, const Frame& frame) {
    states_.push_back(state);
    frames_.push_back(frame);
  }
  void reset() {
    states_.assign(1, 0);
    frames_.assign(1, Frame{0.0, 0, 0});
  }
  std::size_t depth() const { return frames_.size() - 1; }

 private:
  std::vector<Frame> frames_;
  std::vector<std::int16_t> states_;
};

constexpr std::uint32_t kNested = 1000000;

template <class Stacks>
void deep(benchmark::State& state) {
  for (auto _ : state) {
    Stacks stacks;
    for (std::uint32_t i = 0; i < kNested; ++i) stacks.push(static_cast<std::int16_t>(i & 127), Frame{0.0, i, i + 1});
    benchmark::DoNotOptimize(stacks.depth());
  }
  set_items(state, 1, "statement");
}
BENCHMARK(deep<BlockStacks>)->Name("Stack_deep/block")->Unit(benchmark::kMillisecond);
BENCHMARK(deep<VectorStacks>)->Name("Stack_deep/plain_vector")->Unit(benchmark::kMillisecond);

// The tokens of each arith line, the pushes its statement makes.
const std::vector<std::uint32_t>& tokens_per_line() {
  static const std::vector<std::uint32_t> counts = [] {
    std::vector<std::uint32_t> c;
    for (PaddedView line : arith_lines().lines) {
      std::size_t pos = 0, start = 0;
      double number = 0.0;
      std::uint32_t n = 1;
      while (scan(line, pos, start, &number) != Tok::END) ++n;
      c.push_back(n);
    }
    return c;
  }();
  return counts;
}

template <class Stacks>
void ordinary(benchmark::State& state) {
  const std::vector<std::uint32_t>& counts = tokens_per_line();
  Stacks stacks;
  for (auto _ : state) {
    for (std::uint32_t n : counts) {
      for (std::uint32_t i = 0; i < n; ++i) stacks.push(static_cast<std::int16_t>(i), Frame{1.0, i, i + 1});
      benchmark::DoNotOptimize(stacks.depth());
      stacks.reset();
    }
  }
  set_items(state, counts.size(), "line");
}
BENCHMARK(ordinary<BlockStacks>)->Name("Stack_lines/block");
BENCHMARK(ordinary<VectorStacks>)->Name("Stack_lines/plain_vector");

}  // namespace
}  // namespace zorm::bench
