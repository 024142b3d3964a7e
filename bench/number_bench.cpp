// The number text (soff's 128-bit fixed-point path against std::to_chars)
// and number reading (the lexer's exact division against std::from_chars),
// on the results and the number lexemes of the arith lines.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "inputs.h"
#include "lexer/mathlexer.h"
#include "util/soff.h"

namespace zorm::bench {
namespace {

// The results soff formats with "%.12g": all but the small integers (printed
// as integers) and NaN.
const std::vector<double>& g12_values() {
  static const std::vector<double> values = [] {
    std::vector<double> v;
    for (double x : arith_results()) {
      const bool small_integer = x >= -1073741824.0 && x <= 1073741823.0 && std::trunc(x) == x;
      if (!small_integer && !std::isnan(x)) v.push_back(x);
    }
    return v;
  }();
  return values;
}

std::size_t g12_trick(double x, char* out) {
  if (std::size_t n = g12_fixed(x, out)) return n;
  return static_cast<std::size_t>(std::to_chars(out, out + kSoffMax, x, std::chars_format::general, 12).ptr - out);
}

std::size_t g12_plain(double x, char* out) {
  return static_cast<std::size_t>(std::to_chars(out, out + kSoffMax, x, std::chars_format::general, 12).ptr - out);
}

template <std::size_t (*format)(double, char*)>
void number_text(benchmark::State& state) {
  const std::vector<double>& values = g12_values();
  for (double x : values) {
    char a[kSoffMax], b[kSoffMax];
    require(std::string_view(a, g12_trick(x, a)) == std::string_view(b, g12_plain(x, b)),
            "g12_fixed writes what std::to_chars writes");
  }
  for (auto _ : state) {
    for (double x : values) {
      char out[kSoffMax];
      benchmark::DoNotOptimize(format(x, out));
      benchmark::ClobberMemory();
    }
  }
  set_items(state, values.size(), "value");
}
BENCHMARK(number_text<g12_trick>)->Name("NumberText/g12_fixed");
BENCHMARK(number_text<g12_plain>)->Name("NumberText/plain_to_chars");

// The whole of soff, on every result (issue-by-issue progress of the number
// text is read here).
void soff_all(benchmark::State& state) {
  const std::vector<double>& values = arith_results();
  for (auto _ : state) {
    for (double x : values) {
      char out[kSoffMax];
      benchmark::DoNotOptimize(soff(x, out));
      benchmark::ClobberMemory();
    }
  }
  set_items(state, values.size(), "value");
}
BENCHMARK(soff_all)->Name("Soff/arith_results");

template <LexTricks kTricks>
double read_number(std::string_view lexeme) {
  InputBuffer buf(lexeme);
  double number = 0.0;
  token_with<kTricks>(buf, &number);
  return number;
}

constexpr LexTricks kFromChars{.exact_numbers = false};

template <LexTricks kTricks>
void number_reading(benchmark::State& state) {
  const std::vector<std::string_view>& numbers = arith_numbers();
  for (std::string_view n : numbers) {
    const double a = read_number<LexTricks{}>(n), b = read_number<kFromChars>(n);
    require(std::memcmp(&a, &b, sizeof a) == 0, "the exact division reads what std::from_chars reads");
  }
  for (auto _ : state) {
    for (std::string_view n : numbers) benchmark::DoNotOptimize(read_number<kTricks>(n));
  }
  set_items(state, numbers.size(), "number");
}
BENCHMARK(number_reading<LexTricks{}>)->Name("NumberReading/exact_division");
BENCHMARK(number_reading<kFromChars>)->Name("NumberReading/plain_from_chars");

}  // namespace
}  // namespace zorm::bench
