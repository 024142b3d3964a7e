// What the installed library promises an embedder, checked from outside
// (tools/install_check.sh builds this against the installed tree): a stream
// that throws fails its statement alone, unseeded calculators made at once
// in several threads draw sequences of their own, and after a large
// statement a calculator holds about what it held before. Prints what fails
// and exits with status 1.
#include <cstddef>
#include <cstdio>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>

#include <zorm/zorm.h>

// Defined when the sanitizers' runtime is linked in, whose allocator
// mallinfo2 does not see.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

int failures = 0;

void check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "embed_check: %s\n", what.c_str());
  ++failures;
}

std::size_t heap_in_use() {
  if (__sanitizer_get_current_allocated_bytes != nullptr) return __sanitizer_get_current_allocated_bytes();
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void throwing_stream() {
  struct Throwing : std::streambuf {
    int_type overflow(int_type) override { throw std::runtime_error("the host's own"); }
    std::streamsize xsputn(const char*, std::streamsize) override { throw std::runtime_error("the host's own"); }
  } buffer;
  std::ostream stream(&buffer);
  stream.exceptions(std::ios::badbit | std::ios::failbit);
  zorm::Options options;
  options.output = &stream;
  options.errors = &stream;
  zorm::Calculator calc(options);
  zorm::Result r;
  try {
    r = calc.print("print 2");
  } catch (...) {
    check(false, "an exception of the stream escaped evaluate()");
    return;
  }
  check(r.failure == zorm::Failure::output && r.text == "Error.", "a throwing stream: not Failure::output");
  check(calc.evaluate("1 +").failure == zorm::Failure::syntax, "a throwing stream hid a syntax error");
  check(calc.text("6 * 7") == "42", "the statement after a throwing stream");
}

void unseeded_sequences() {
  constexpr int kThreads = 8, kEach = 500;
  std::vector<std::vector<std::string>> drawn(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&drawn, t] {
      for (int i = 0; i < kEach; ++i) {
        zorm::Calculator calc;
        drawn[t].push_back(calc.text("rand 1") + " " + calc.text("rand 1"));
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::set<std::string> distinct;
  for (const auto& texts : drawn) distinct.insert(texts.begin(), texts.end());
  check(distinct.size() == kThreads * kEach,
        std::to_string(kThreads * kEach - distinct.size()) + " unseeded calculators repeated a sequence");
}

void footprint() {
  zorm::Options whole;
  whole.report_line_limit = 0;
  zorm::Calculator calc(whole);
  calc.evaluate("1 + 1");
  const std::size_t before = heap_in_use();
  {
    std::string sum = "1";
    for (int i = 0; i < 1000000; ++i) sum += " + 1";
    check(calc.evaluate(sum).value == 1000001.0, "the large sum");
    const std::string failing = std::string(10000000, ' ') + "1 +";
    check(calc.evaluate(failing).report.size() > 10000000, "the large report");
  }
  const std::size_t after = heap_in_use();
  check(after <= before + 65536,
        "after a large statement the heap holds " + std::to_string(after - before) + " bytes more");
}

}  // namespace

int main() {
  throwing_stream();
  unseeded_sequences();
  footprint();
  return failures == 0 ? 0 : 1;
}
