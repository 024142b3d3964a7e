// Test-only: the test binary's global operator new, with a switch that makes
// allocations fail, for tests of what running out of memory leaves behind.
// IT REPLACES operator new FOR THE WHOLE TEST BINARY; nothing else may.
#pragma once

#include <cstddef>

namespace zorm::testing {

// While one lives, operator new succeeds `allowed` more times and then raises
// std::bad_alloc. Allocations that do not go through operator new (malloc,
// mmap) are not affected.
class FailingAllocations {
 public:
  explicit FailingAllocations(std::size_t allowed = 0);
  ~FailingAllocations();
  FailingAllocations(const FailingAllocations&) = delete;
  FailingAllocations& operator=(const FailingAllocations&) = delete;

  // Allocations refused so far.
  std::size_t refused() const;
};

}  // namespace zorm::testing
