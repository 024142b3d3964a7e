// The variable table: a chained hash table whose fixed structure (hash, bucket
// count, growth, newest-first chains) decides the order of the bindings listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

class VarTable {
 public:
  static constexpr std::size_t kInitialBuckets = 10;

  VarTable();

  // h = h * 19 + byte over the name, modulo 2^32; the low 30 bits.
  static std::uint32_t hash(std::string_view name);

  // Makes the name denote the value: removes the old binding, adds the new one
  // at the head of its bucket. A binding is made whole or not at all: when
  // memory runs out it raises std::bad_alloc with the table as it was.
  void bind(std::string_view name, double value);
  // The value bound to name, or nullptr.
  const double* find(std::string_view name) const;
  // Removes the binding of name, if there is one, and says whether there was.
  // The other bindings keep their order; the bucket count stays.
  bool remove(std::string_view name) noexcept;
  // Removes every binding; the bucket count stays.
  void clear() noexcept;

  std::size_t size() const { return count_; }
  std::size_t bucket_count() const { return heads_.size(); }

  // Calls fn(name, value) for every binding: buckets from 0 up, newest first.
  template <class Fn>
  void traverse(Fn&& fn) const {
    for (std::int32_t head : heads_)
      for (std::int32_t i = head; i >= 0; i = node(i).next) fn(std::string_view(node(i).name), node(i).value);
  }

 private:
  struct Node {
    std::string name;
    double value = 0.0;
    std::uint32_t hash = 0;
    std::int32_t next = -1;
  };

  // The nodes live in blocks of 2^kBlockShift that never move: the table
  // grows a block at a time, so its memory follows its size and growing
  // copies nothing. Node i is slot i % 2^kBlockShift of block i / 2^kBlockShift.
  static constexpr unsigned kBlockShift = 10;
  static constexpr std::size_t kBlockNodes = std::size_t{1} << kBlockShift;
  Node& node(std::int32_t i) { return blocks_[static_cast<std::size_t>(i) >> kBlockShift][i & (kBlockNodes - 1)]; }
  const Node& node(std::int32_t i) const {
    return blocks_[static_cast<std::size_t>(i) >> kBlockShift][i & (kBlockNodes - 1)];
  }

  // Moves every binding into `bigger` (all -1), which becomes the buckets.
  void refile(std::vector<std::int32_t>& bigger);

  std::vector<std::int32_t> heads_;
  std::vector<std::unique_ptr<Node[]>> blocks_;
  std::size_t count_ = 0;  // nodes in use: those numbered below it
};

}  // namespace zorm
