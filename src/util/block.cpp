// A growable block of raw bytes: heap below kMapFrom, a mapping of its own
// from there on.
#include "util/block.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace zorm {

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;

// `bytes` rounded up to whole huge pages; 0 when that does not fit.
std::size_t huge_pages(std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() - kHuge) return 0;
  return (bytes + kHuge - 1) / kHuge * kHuge;
}

// Huge pages are advice only: small pages when they are refused.
void advise(void* p, std::size_t len) {
#ifdef MADV_HUGEPAGE
  madvise(p, len, MADV_HUGEPAGE);
#else
  (void)p;
  (void)len;
#endif
}

// A new mapping of `len` bytes (whole huge pages), or nullptr. It is aligned
// on a huge page when a huge page more of address space can be had for a
// moment (the ends are returned at once); else it is mapped where it falls,
// and still gets huge pages inside it.
void* map(std::size_t len) {
  constexpr int kProt = PROT_READ | PROT_WRITE;
  constexpr int kFlags = MAP_PRIVATE | MAP_ANONYMOUS;
  void* m = len <= std::numeric_limits<std::size_t>::max() - kHuge
                ? mmap(nullptr, len + kHuge, kProt, kFlags, -1, 0)
                : MAP_FAILED;
  if (m == MAP_FAILED) {
    m = mmap(nullptr, len, kProt, kFlags, -1, 0);
    return m == MAP_FAILED ? nullptr : m;
  }
  char* base = static_cast<char*>(m);
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(base);
  char* aligned = base + ((kHuge - at % kHuge) % kHuge);
  if (aligned != base) munmap(base, static_cast<std::size_t>(aligned - base));
  const std::size_t after = kHuge - static_cast<std::size_t>(aligned - base);
  if (after != 0) munmap(aligned + len, after);
  return aligned;
}

}  // namespace

void Block::release() {
  if (mapped_ != 0)
    munmap(data_, mapped_);
  else
    std::free(data_);
  data_ = nullptr;
  bytes_ = mapped_ = 0;
}

bool Block::resize(std::size_t bytes, std::size_t keep) {
  if (bytes < kMapFrom && mapped_ == 0) {
    void* p = std::realloc(data_, bytes);
    if (p == nullptr) return false;
    data_ = p;
    bytes_ = bytes;
    return true;
  }
  const std::size_t len = huge_pages(bytes);
  if (len == 0) return false;
  void* p;
  if (mapped_ != 0) {
    // The mapping keeps its advice as it grows or moves.
    p = mremap(data_, mapped_, len, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) return false;
  } else {
    p = map(len);
    if (p == nullptr) return false;
    // Advice before the first touch: a region touched without it is set up
    // in small pages for good.
    advise(p, len);
    if (keep != 0) std::memcpy(p, data_, keep);
    std::free(data_);
  }
  data_ = p;
  bytes_ = mapped_ = len;
  return true;
}

void Block::grow(std::size_t need, std::size_t want, std::size_t keep) {
  if (need <= bytes_) return;
  if (want > need && resize(want, keep)) return;
  if (!resize(need, keep)) throw std::bad_alloc();
}

void Block::shrink(std::size_t bytes, std::size_t keep) {
  if (bytes >= bytes_) return;
  if (bytes == 0) {
    release();
    return;
  }
  if (mapped_ == 0) {
    if (void* p = std::realloc(data_, bytes)) {
      data_ = p;
      bytes_ = bytes;
    }
    return;
  }
  if (bytes < kMapFrom) {
    // Back to the heap.
    void* p = std::malloc(bytes);
    if (p == nullptr) return;
    if (keep != 0) std::memcpy(p, data_, keep);
    munmap(data_, mapped_);
    data_ = p;
    bytes_ = bytes;
    mapped_ = 0;
    return;
  }
  const std::size_t len = huge_pages(bytes);
  if (len >= mapped_) return;
  munmap(static_cast<char*>(data_) + len, mapped_ - len);
  bytes_ = mapped_ = len;
}

}  // namespace zorm
