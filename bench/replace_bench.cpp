// The delimiter search of replace mode: ReverseSearcher (memrchr for the
// candidates, memcmp to check them, a Knuth-Morris-Pratt scan once checks
// fail too often) against std::string_view::rfind, on the replace workload's
// prose with the default delimiters, and on a long self-similar delimiter.
#include <string>
#include <string_view>

#include "inputs.h"
#include "util/reverse_search.h"

namespace zorm::bench {
namespace {

// The searches replace mode makes in a line, without the evaluation: the last
// closer, then the last opener before it, and so on leftwards; their
// positions folded into a checksum.
template <class Search>
std::size_t searches(std::string_view line, const Search& search) {
  std::size_t sum = 0;
  std::size_t close = search.closer(line, std::string_view::npos);
  while (close != std::string_view::npos && close >= 2) {
    const std::size_t open = search.opener(line, close - 2);
    if (open == std::string_view::npos) break;
    sum = sum * 31 + close * 7 + open;
    if (open == 0) break;
    close = search.closer(line, open - 1);
  }
  return sum;
}

// The delimiters as replace mode has them: settings read at run time, which
// the compiler cannot fold into the searches.
struct Delimiters {
  std::string left = "[[";
  std::string right = "]]";
  Delimiters() {
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
  }
};

// The searchers are made once per run, as replace mode makes them.
struct Searchers {
  Delimiters d;
  ReverseSearcher left{d.left};
  ReverseSearcher right{d.right};
  std::size_t closer(std::string_view text, std::size_t pos) const { return right.rfind(text, pos); }
  std::size_t opener(std::string_view text, std::size_t pos) const { return left.rfind(text, pos); }
};

struct Plain {
  Delimiters d;
  std::size_t closer(std::string_view text, std::size_t pos) const { return text.rfind(d.right, pos); }
  std::size_t opener(std::string_view text, std::size_t pos) const { return text.rfind(d.left, pos); }
};

template <class Search>
void delimiters(benchmark::State& state) {
  const Lines& prose = prose_lines();
  const Search search;
  for (PaddedView line : prose.lines)
    require(searches(line.text(), search) == searches(line.text(), Plain{}), "ReverseSearcher finds what rfind finds");
  for (auto _ : state) {
    for (PaddedView line : prose.lines) benchmark::DoNotOptimize(searches(line.text(), search));
  }
  set_items(state, prose.lines.size(), "line");
}
BENCHMARK(delimiters<Searchers>)->Name("Delimiters/reverse_searcher");
BENCHMARK(delimiters<Plain>)->Name("Delimiters/plain_rfind");

// A delimiter of 64 bytes that nearly matches everywhere in a line of a
// million bytes: every candidate (every byte) fails at the delimiter's last
// byte.
const std::string& self_similar_pattern() {
  static const std::string p = std::string(63, 'a') + "b";
  return p;
}
const std::string& self_similar_line() {
  static const std::string l = std::string(1000000, 'a');
  return l;
}

void self_similar(benchmark::State& state, bool plain) {
  const std::string& pattern = self_similar_pattern();
  const ReverseSearcher searcher(pattern);
  const std::string_view line = self_similar_line();
  require(searcher.rfind(line) == line.rfind(pattern), "ReverseSearcher finds what rfind finds");
  for (auto _ : state) {
    benchmark::DoNotOptimize(plain ? line.rfind(pattern) : searcher.rfind(line));
  }
  set_items(state, 1, "line");
}
BENCHMARK_CAPTURE(self_similar, searcher, false)->Name("Delimiters_self_similar/reverse_searcher")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(self_similar, plain, true)->Name("Delimiters_self_similar/plain_rfind")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zorm::bench
