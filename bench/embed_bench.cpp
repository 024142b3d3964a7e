// The embedder's benchmark: zorm::Calculator::evaluate, through zorm/zorm.h
// alone as a program that embeds the library calls it, on 100,000 generated
// formulas of the language (numbers, the variables x, y and z, pi, the four
// operations, powers, prefix minus, functions and brackets).
//
//   zorm_embed_bench [benchmark options]   Google Benchmark's timing
//   zorm_embed_bench --once                each formula evaluated once, in
//                                          evaluate_all, and a checksum
//
// Instructions per statement, with callgrind:
//   valgrind --tool=callgrind --toggle-collect='*evaluate_all*' zorm_embed_bench --once
// gives the instructions of evaluate_all, over kFormulas statements.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zorm/zorm.h>

namespace {

constexpr std::size_t kFormulas = 100000;

// A small fixed generator (splitmix64), so that every build and library
// version gets the same formulas.
class Draw {
 public:
  explicit Draw(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

 private:
  std::uint64_t state_;
};

void atom(Draw& d, std::string& out) {
  switch (d.below(6)) {
    case 0:
      out += "xyz"[d.below(3)];
      break;
    case 1:
      out += "pi";
      break;
    case 2:
      out += std::to_string(d.below(100)) + "." + std::to_string(10 + d.below(90));
      break;
    default:
      out += std::to_string(1 + d.below(99));
      break;
  }
}

// A formula of at most `depth` levels of operators (the depth is a constant
// of the benchmark, not of any input); below the top, a level may end early.
void formula(Draw& d, std::string& out, int depth, bool top = false) {
  if (depth == 0 || (!top && d.below(4) == 0)) {
    if (d.below(8) == 0) out += "-";
    atom(d, out);
    return;
  }
  static const char* const kOperators[] = {" + ", " - ", " * ", " / ", " + ", " * "};
  static const char* const kFunctions[] = {"sin ", "cos ", "sqrt abs ", "ln abs ", "exp -abs ", "abs "};
  switch (d.below(8)) {
    case 0:
      out += kFunctions[d.below(6)];
      out += "(";
      formula(d, out, depth - 1);
      out += ")";
      return;
    case 1:
      out += "(";
      formula(d, out, depth - 1);
      out += ") ^ ";
      out += std::to_string(d.below(4));
      return;
    case 2:
      out += "(";
      formula(d, out, depth - 1);
      out += ")";
      return;
    default:
      formula(d, out, depth - 1);
      out += kOperators[d.below(6)];
      formula(d, out, depth - 1);
      return;
  }
}

const std::vector<std::string>& formulas() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> made;
    made.reserve(kFormulas);
    Draw d(20);
    for (std::size_t i = 0; i < kFormulas; ++i) {
      std::string f;
      formula(d, f, 4, true);
      made.push_back(std::move(f));
    }
    return made;
  }();
  return all;
}

zorm::Calculator make_calculator() {
  zorm::Options options;
  options.seed = 1;
  zorm::Calculator calc(options);
  calc.bind("x", 0.5);
  calc.bind("y", 2);
  calc.bind("z", -3.25);
  return calc;
}

// Every formula once; the sum of the values' bits, so that nothing is left
// out and two builds can be seen to agree.
[[gnu::noinline]] std::uint64_t evaluate_all(zorm::Calculator& calc, const std::vector<std::string>& all) {
  std::uint64_t sum = 0;
  for (const std::string& f : all) {
    const zorm::Result r = calc.evaluate(f);
    std::uint64_t bits;
    std::memcpy(&bits, &r.value, sizeof bits);
    sum += bits + static_cast<std::uint64_t>(r.kind);
  }
  return sum;
}

void Evaluate(benchmark::State& state) {
  const std::vector<std::string>& all = formulas();
  zorm::Calculator calc = make_calculator();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(calc.evaluate(all[i]));
    if (++i == all.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(Evaluate);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--once") == 0) {
    const std::vector<std::string>& all = formulas();
    zorm::Calculator calc = make_calculator();
    std::printf("%zu formulas, checksum %016llx\n", all.size(),
                static_cast<unsigned long long>(evaluate_all(calc, all)));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
