// The micro-benchmarks' inputs, read from the directory the build wrote.
#include "inputs.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "lexer/lexer.h"

namespace zorm::bench {

namespace {

std::string input_path(std::string_view name) {
  const char* dir = std::getenv("ZORM_BENCH_INPUTS");
  return std::string(dir != nullptr && *dir != '\0' ? dir : ZORM_BENCH_INPUTS) + "/" + std::string(name);
}

Lines read_lines(std::string_view name) {
  const std::string path = input_path(name);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "microbench: cannot read " << path << "\n";
    std::exit(1);
  }
  Lines l;
  l.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!l.text.empty() && l.text.back() != '\n') l.text += '\n';
  const std::size_t size = l.text.size();
  l.text.append(kPadding, '\0');
  for (std::size_t from = 0; from < size;) {
    const std::size_t nl = l.text.find('\n', from);
    l.text[nl] = '\0';
    l.lines.push_back(PaddedView::trusted(std::string_view(l.text).substr(from, nl - from)));
    from = nl + 1;
  }
  return l;
}

}  // namespace

const Lines& arith_lines() {
  static const Lines lines = read_lines("arith.txt");
  return lines;
}

const Lines& vars_lines() {
  static const Lines lines = read_lines("vars.txt");
  return lines;
}

const Lines& prose_lines() {
  static const Lines lines = read_lines("prose.txt");
  return lines;
}

const std::vector<double>& arith_results() {
  static const std::vector<double> results = [] {
    std::vector<double> r;
    Calculator calc;
    for (PaddedView line : arith_lines().lines) {
      double value = 0.0;
      require(calc.eval(line, &value), "an arith line yields a number");
      r.push_back(value);
    }
    return r;
  }();
  return results;
}

const Lines& arith_numbers() {
  static const Lines numbers = [] {
    Lines r;
    std::vector<std::size_t> ends;
    for (PaddedView line : arith_lines().lines) {
      std::size_t pos = 0, start = 0;
      double number = 0.0;
      for (Tok t; (t = scan(line, pos, start, &number)) != Tok::END;) {
        if (t != Tok::VAL) continue;
        r.text += line.text().substr(start, pos - start);
        ends.push_back(r.text.size());
        r.text += '\0';
      }
    }
    r.text.append(kPadding, '\0');
    std::size_t from = 0;
    for (std::size_t end : ends) {
      r.lines.push_back(PaddedView::trusted(std::string_view(r.text).substr(from, end - from)));
      from = end + 1;
    }
    return r;
  }();
  return numbers;
}

void require(bool ok, std::string_view what) {
  if (ok) return;
  std::cerr << "microbench: check failed: " << what << "\n";
  std::exit(1);
}

void set_items(benchmark::State& state, std::size_t items, const char* kind) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * items));
  state.SetLabel(kind);
}

}  // namespace zorm::bench
