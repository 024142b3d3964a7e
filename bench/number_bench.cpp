// The number text (number_text's fast fixed-point path against std::to_chars)
// and number reading (the lexer's exact division against std::from_chars),
// on the results and the number lexemes of the arith lines.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "inputs.h"
#include "lexer/lexer.h"
#include "util/number_text.h"

namespace zorm::bench {
namespace {

// number_text's plain version: the integer text, or std::to_chars with 12 digits
// and the point added to a text of digits alone.
std::size_t number_text_plain(double x, char* out) {
  if (x >= -1073741824.0 && x <= 1073741823.0 && std::trunc(x) == x)
    return static_cast<std::size_t>(std::to_chars(out, out + kNumberTextMax, static_cast<int>(x)).ptr - out);
  if (std::isnan(x)) return number_text(x, out);
  std::size_t n =
      static_cast<std::size_t>(std::to_chars(out, out + kNumberTextMax, x, std::chars_format::general, 12).ptr - out);
  if (std::string_view(out, n).find_first_not_of("-0123456789") == std::string_view::npos) out[n++] = '.';
  return n;
}

// The number text of every result of the arith lines: number_text with its fast
// path, and plain.
template <std::size_t (*format)(double, char*)>
void number_text_bench(benchmark::State& state) {
  const std::vector<double>& values = arith_results();
  for (double x : values) {
    char a[kNumberTextMax], b[kNumberTextMax];
    require(std::string_view(a, number_text(x, a)) == std::string_view(b, number_text_plain(x, b)),
            "number_text writes what its plain version writes");
  }
  for (auto _ : state) {
    for (double x : values) {
      char out[kNumberTextMax];
      benchmark::DoNotOptimize(format(x, out));
      benchmark::ClobberMemory();
    }
  }
  set_items(state, values.size(), "value");
}
BENCHMARK(number_text_bench<number_text>)->Name("NumberText/number_text_fixed");
BENCHMARK(number_text_bench<number_text_plain>)->Name("NumberText/plain_to_chars");

template <LexTricks kTricks>
double read_number(PaddedView lexeme) {
  std::size_t pos = 0, start = 0;
  double number = 0.0;
  scan_with<kTricks>(lexeme, pos, start, &number);
  return number;
}

constexpr LexTricks kFromChars{.exact_numbers = false};

template <LexTricks kTricks>
void number_reading(benchmark::State& state) {
  const std::vector<PaddedView>& numbers = arith_numbers().lines;
  for (PaddedView n : numbers) {
    const double a = read_number<LexTricks{}>(n), b = read_number<kFromChars>(n);
    require(std::memcmp(&a, &b, sizeof a) == 0, "the exact division reads what std::from_chars reads");
  }
  for (auto _ : state) {
    for (PaddedView n : numbers) benchmark::DoNotOptimize(read_number<kTricks>(n));
  }
  set_items(state, numbers.size(), "number");
}
BENCHMARK(number_reading<LexTricks{}>)->Name("NumberReading/exact_division");
BENCHMARK(number_reading<kFromChars>)->Name("NumberReading/plain_from_chars");

}  // namespace
}  // namespace zorm::bench
