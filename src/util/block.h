// A growable block of raw bytes for the buffers that follow the input's size
// (the line reader's buffer, the parse stacks), with growth that asks for room
// ahead but settles for what is needed when memory is short.
#pragma once

#include <cstddef>

namespace zorm {

// Small blocks live on the heap. From kMapFrom bytes on, a block is a mapping
// of its own, asked for in huge pages, that grows with mremap: in place when
// the address space after it is free, else moved by the kernel without a copy,
// so the old and the new block are never held at once. Contents are never
// zero-filled. Against std::vector (a new allocation and a copy at each
// doubling, in small pages) a deep statement's stacks grow without copies or
// page faults for every page, and peak at less memory. Where the system has
// no mremap, a large block is a heap block, grown with realloc.
// Trick mapped-blocks; plain: std::vector; bench: Stack_deep/block vs Stack_deep/plain_vector, Stack_lines/block vs Stack_lines/plain_vector.
class Block {
 public:
  // Blocks of this size or more are mapped.
  static constexpr std::size_t kMapFrom = std::size_t{1} << 20;

  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() { release(); }

  void* data() const { return data_; }
  std::size_t bytes() const { return bytes_; }
  // Whether the block is a large one (kMapFrom bytes or more), which callers
  // give back early: a mapping of its own where the system has them.
  bool mapped() const { return mapped_ != 0; }

  // Makes the block at least `need` bytes long, keeping its first `keep`
  // bytes. Asks for `want` bytes first (room ahead) and, when that is refused,
  // for `need`. Raises std::bad_alloc, the block as it was, when even `need`
  // cannot be had.
  void grow(std::size_t need, std::size_t want, std::size_t keep);
  // Gives back what lies beyond `bytes` (at least `keep`), keeping the first
  // `keep` bytes; a block that cannot be shrunk stays as it is.
  void shrink(std::size_t bytes, std::size_t keep);
  // Gives all the memory back.
  void release();

 private:
  bool resize(std::size_t bytes, std::size_t keep);
  void* data_ = nullptr;
  std::size_t bytes_ = 0;
  std::size_t mapped_ = 0;  // length of a large block, 0 for a small one
};

}  // namespace zorm
