// Test-only: operator new and delete over malloc and free, with a switch that
// makes operator new fail. Every form that a replacement must cover is
// replaced, so that under AddressSanitizer allocation and release always meet
// in malloc and free.
#include "support/failing_allocations.h"

#include <cstdlib>
#include <new>

namespace {

// The switch. The tests run on one thread.
bool failing = false;
std::size_t allowed = 0;
std::size_t refused_count = 0;

void* allocate(std::size_t size) {
  if (failing) {
    if (allowed == 0) {
      ++refused_count;
      throw std::bad_alloc();
    }
    --allowed;
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

namespace zorm::testing {

FailingAllocations::FailingAllocations(std::size_t allow) {
  failing = true;
  allowed = allow;
  refused_count = 0;
}

FailingAllocations::~FailingAllocations() { failing = false; }

std::size_t FailingAllocations::refused() const { return refused_count; }

}  // namespace zorm::testing

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
