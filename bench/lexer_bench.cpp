// The lexer over whole arith lines: with all its tricks, with each left out,
// and plain.
#include <cstring>
#include <string_view>
#include <vector>

#include "inputs.h"
#include "lexer/lexer.h"

namespace zorm::bench {
namespace {

// Every token of a line, folded into a checksum of kinds, spans and values.
template <LexTricks kTricks>
std::size_t lex_line(PaddedView line) {
  std::size_t pos = 0, start = 0;
  std::size_t sum = 0;
  for (;;) {
    double number = 0.0;
    const Tok t = scan_with<kTricks>(line, pos, start, &number);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    sum = sum * 31 + static_cast<std::size_t>(t) + start * 7 + pos * 13 + bits;
    if (t == Tok::END) return sum;
  }
}

template <LexTricks kTricks>
void lexer(benchmark::State& state) {
  const Lines& arith = arith_lines();
  for (PaddedView line : arith.lines)
    require(lex_line<kTricks>(line) == lex_line<LexTricks{}>(line), "every lexer variant makes the same tokens");
  for (auto _ : state) {
    for (PaddedView line : arith.lines) benchmark::DoNotOptimize(lex_line<kTricks>(line));
  }
  set_items(state, arith.lines.size(), "line");
}
BENCHMARK(lexer<LexTricks{}>)->Name("Lexer/all_tricks");
BENCHMARK(lexer<LexTricks{.second_byte_test = false}>)->Name("Lexer/no_second_byte_test");
BENCHMARK(lexer<LexTricks{.exact_numbers = false}>)->Name("Lexer/no_exact_numbers");
BENCHMARK(lexer<LexTricks{.number_words = false}>)->Name("Lexer/no_number_words");
BENCHMARK(lexer<LexTricks{false, false, false}>)->Name("Lexer/plain");

}  // namespace
}  // namespace zorm::bench
