// The variable table: a chained hash table whose fixed structure (hash, bucket
// count, growth, newest-first chains) decides the order of the bindings listing,
// with an index beside it that keeps lookups short whatever the names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/keyed_hash.h"

namespace zorm {

class VarTable {
 public:
  static constexpr std::size_t kInitialBuckets = 10;

  VarTable();

  // h = h * 19 + byte over the name, modulo 2^32; the low 30 bits.
  static std::uint32_t hash(std::string_view name);

  // Makes the name denote the value: removes the old binding, adds the new one
  // at the head of its bucket. A binding is made whole or not at all: when
  // memory runs out it raises std::bad_alloc with the table as it was (the
  // index never raises it: without memory for it, lookups walk the chains).
  void bind(std::string_view name, double value);
  // The value bound to name, or nullptr.
  const double* find(std::string_view name) const;
  // Removes the binding of name, if there is one, and says whether there was.
  // The other bindings keep their order; the bucket count stays.
  bool remove(std::string_view name) noexcept;
  // Removes every binding; the bucket count stays.
  void clear() noexcept;

  std::size_t size() const { return count_; }
  // Bindings made and clears done so far.
  std::uint64_t changes() const { return changes_; }
  std::size_t bucket_count() const { return heads_.size(); }

  // Whether the index has been built (a chain grew long).
  bool indexed() const { return !index_.empty(); }

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
    std::int32_t next = -1;  // older in the chain
    std::int32_t prev = -1;  // newer in the chain
  };

  // Names that share a hash share a chain, and the hash is public: anyone
  // can write many names of one hash. A walk along a chain therefore stops
  // after this many nodes, and the rest is found through the index, keyed
  // by a hash with a secret key. Random names almost never make chains this
  // long, so the index is built only when some walk first goes that far.
  static constexpr int kChainWalk = 12;
  struct Slot {
    std::uint32_t tag = 0;   // low bits of the keyed hash
    std::int32_t node = -1;  // -1: empty
  };
  // The node bound to name, through the index (built here when it is not);
  // -1 when there is none.
  std::int32_t find_indexed(std::string_view name) const;
  // Builds the index over every node; false, with no index, when memory runs out.
  bool build_index() const;
  // Files node `at` in the index.
  void index_insert(std::vector<Slot>& index, std::uint32_t tag, std::int32_t at) const;
  // Moves node `at`, in the chain that starts at *head, to the head.
  void move_to_head(std::int32_t at, std::int32_t* head);
  // Takes node `at` out of its chain.
  void unlink(std::int32_t at) noexcept;
  // The index's slot of node `at` (which the index holds).
  std::size_t index_slot(std::int32_t at) const noexcept;
  // Takes node `at` out of the index.
  void index_erase(std::int32_t at) noexcept;
  // Makes the index's entry of node `from` name node `to`.
  void index_renumber(std::int32_t from, std::int32_t to) noexcept;

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
  std::uint64_t changes_ = 0;
  // Open addressing with linear probing, a power of two in size and at most
  // half full; empty until built.
  mutable std::vector<Slot> index_;
  mutable HashKey key_;
  mutable bool keyed_ = false;
};

}  // namespace zorm
