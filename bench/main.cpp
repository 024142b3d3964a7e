// The micro-benchmarks' entry point.
#include <malloc.h>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
  // Large blocks always come from mappings of their own and go back when they
  // are freed, as in a process that has not yet freed one. Otherwise the C
  // library raises that threshold after the first such free, and a benchmark
  // that grows a large std::vector finds memory that an earlier one gave back,
  // already faulted in: the start of a process the whole-program runs measure
  // would be lost.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
