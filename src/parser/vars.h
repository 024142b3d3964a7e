// The variable table: a chained hash table whose fixed structure (hash, bucket
// count, growth, newest-first chains) decides the order of the bindings listing.
#pragma once

#include <cstddef>
#include <cstdint>
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
  // at the head of its bucket.
  void bind(std::string_view name, double value);
  // The value bound to name, or nullptr.
  const double* find(std::string_view name) const;
  // Removes every binding; the bucket count stays.
  void clear();

  std::size_t size() const { return count_; }
  std::size_t bucket_count() const { return heads_.size(); }

  // Calls fn(name, value) for every binding: buckets from 0 up, newest first.
  template <class Fn>
  void traverse(Fn&& fn) const {
    for (std::int32_t head : heads_)
      for (std::int32_t i = head; i >= 0; i = nodes_[static_cast<std::size_t>(i)].next)
        fn(std::string_view(nodes_[static_cast<std::size_t>(i)].name),
           nodes_[static_cast<std::size_t>(i)].value);
  }

 private:
  struct Node {
    std::string name;
    double value = 0.0;
    std::uint32_t hash = 0;
    std::int32_t next = -1;
  };

  void remove(std::string_view name, std::uint32_t h);
  void add(std::string_view name, std::uint32_t h, double value);
  void grow();

  std::vector<std::int32_t> heads_;
  std::vector<Node> nodes_;
  std::vector<std::int32_t> free_;
  std::size_t count_ = 0;
};

}  // namespace zorm
