// A growable block of raw bytes: heap below kMapFrom, a mapping of its own
// from there on. Where the system has no mremap (anything but Linux, and
// WebAssembly), a large block is a heap block too, grown with realloc.
#include "util/block.h"

// ZORM_BLOCK_MAPPINGS=0 builds the heap-only blocks on Linux too (their tests).
#ifndef ZORM_BLOCK_MAPPINGS
#if defined(__linux__)
#define ZORM_BLOCK_MAPPINGS 1
#else
#define ZORM_BLOCK_MAPPINGS 0
#endif
#endif
#if ZORM_BLOCK_MAPPINGS
#include <sys/mman.h>
#endif

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

#if ZORM_BLOCK_MAPPINGS
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

// A mapping grown or shrunk to `len` bytes, moved when it must be; nullptr,
// the mapping as it was, when it cannot be had.
void* remap(void* p, std::size_t old_len, std::size_t len) {
  void* q = mremap(p, old_len, len, MREMAP_MAYMOVE);
  return q == MAP_FAILED ? nullptr : q;
}

void unmap(void* p, std::size_t len) { munmap(p, len); }

// Gives back the end of a mapping beyond `len` bytes; it stays in place.
void* trim(void* p, std::size_t old_len, std::size_t len) {
  munmap(static_cast<char*>(p) + len, old_len - len);
  return p;
}
#else
void advise(void*, std::size_t) {}
void* map(std::size_t len) { return std::malloc(len); }
void* remap(void* p, std::size_t, std::size_t len) { return std::realloc(p, len); }
void unmap(void* p, std::size_t) { std::free(p); }
void* trim(void* p, std::size_t, std::size_t len) { return std::realloc(p, len); }
#endif

}  // namespace

void Block::release() {
  if (mapped_ != 0)
    unmap(data_, mapped_);
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
    p = remap(data_, mapped_, len);
    if (p == nullptr) return false;
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
    unmap(data_, mapped_);
    data_ = p;
    bytes_ = bytes;
    mapped_ = 0;
    return;
  }
  const std::size_t len = huge_pages(bytes);
  if (len >= mapped_) return;
  void* p = trim(data_, mapped_, len);
  if (p == nullptr) return;
  data_ = p;
  bytes_ = mapped_ = len;
}

}  // namespace zorm
