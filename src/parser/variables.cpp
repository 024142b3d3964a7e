// The variable table.
#include "parser/variables.h"

#include <chrono>
#include <cstring>
#include <new>
#include <random>

namespace zorm {

namespace {

// A secret key for the index, from the system's source of randomness; when
// that fails, from the clock and an address, which callers cannot see either.
HashKey random_key(const void* salt) {
  try {
    std::random_device device;
    auto word = [&device] { return (std::uint64_t{device()} << 32) | device(); };
    return HashKey{word(), word()};
  } catch (const std::exception&) {
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    return HashKey{now * 0x9e3779b97f4a7c15ull, reinterpret_cast<std::uintptr_t>(salt) ^ now};
  }
}

// Whether the binding of `bound` (hashed to bound_hash) is that of `name`,
// hashed to h: the hashes first, then the bytes, for equality alone.
inline bool binds(const std::string& bound, std::uint32_t bound_hash, std::uint32_t h, std::string_view name) {
  return bound_hash == h && bound.size() == name.size() && std::memcmp(bound.data(), name.data(), name.size()) == 0;
}

}  // namespace

VarTable::VarTable() : heads_(kInitialBuckets, -1) {}

std::uint32_t VarTable::hash(std::string_view name) {
  std::uint32_t h = 0;
  for (char c : name) h = h * 19u + static_cast<unsigned char>(c);
  return h & 0x3FFFFFFFu;
}

const double* VarTable::find(std::string_view name) const {
  const std::uint32_t h = hash(name);
  std::int32_t i = heads_[h % heads_.size()];
  for (int walked = 0; i >= 0; ++walked) {
    if (walked == kChainWalk) {
      const std::int32_t at = find_indexed(name);
      return at < 0 ? nullptr : &node(at).value;
    }
    const Node& n = node(i);
    if (binds(n.name, n.hash, h, name)) return &n.value;
    i = n.next;
  }
  return nullptr;
}

std::int32_t VarTable::find_indexed(std::string_view name) const {
  if (index_.empty() && !build_index()) {
    // No memory for the index: the chain is walked to its end.
    const std::uint32_t h = hash(name);
    for (std::int32_t i = heads_[h % heads_.size()]; i >= 0; i = node(i).next)
      if (binds(node(i).name, node(i).hash, h, name)) return i;
    return -1;
  }
  const auto tag = static_cast<std::uint32_t>(keyed_hash(name, key_));
  const std::size_t mask = index_.size() - 1;
  for (std::size_t s = tag & mask;; s = (s + 1) & mask) {
    const Slot& slot = index_[s];
    if (slot.node < 0) return -1;
    if (slot.tag == tag && node(slot.node).name == name) return slot.node;  // tags are not unique
  }
}

bool VarTable::build_index() const {
  if (!keyed_) {
    key_ = random_key(this);
    keyed_ = true;
  }
  std::size_t size = 64;
  while (size < 2 * (count_ + 1)) size *= 2;
  try {
    std::vector<Slot> index(size);
    for (std::size_t i = 0; i < count_; ++i) {
      const auto at = static_cast<std::int32_t>(i);
      index_insert(index, static_cast<std::uint32_t>(keyed_hash(node(at).name, key_)), at);
    }
    index_.swap(index);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void VarTable::index_insert(std::vector<Slot>& index, std::uint32_t tag, std::int32_t at) const {
  const std::size_t mask = index.size() - 1;
  std::size_t s = tag & mask;
  while (index[s].node >= 0) s = (s + 1) & mask;
  index[s] = Slot{tag, at};
}

void VarTable::move_to_head(std::int32_t at, std::int32_t* head) {
  if (*head == at) return;
  Node& n = node(at);
  node(n.prev).next = n.next;  // not the head, so there is a newer node
  if (n.next >= 0) node(n.next).prev = n.prev;
  n.prev = -1;
  n.next = *head;
  node(*head).prev = at;
  *head = at;
}

void VarTable::bind(std::string_view name, double value) {
  const std::uint32_t h = hash(name);
  ++changes_;  // a binding that then fails has changed nothing, but counting it is harmless
  // Rebinding: the node moves to the head of its chain, which is where
  // removing the old binding and adding the new one would put it.
  std::int32_t* head = &heads_[h % heads_.size()];
  int walked = 0;
  for (std::int32_t* link = head; *link >= 0; link = &node(*link).next, ++walked) {
    if (walked == kChainWalk) {
      const std::int32_t at = find_indexed(name);
      if (at < 0) break;
      node(at).value = value;
      move_to_head(at, head);
      return;
    }
    const std::int32_t at = *link;
    Node& n = node(at);
    if (binds(n.name, n.hash, h, name)) {
      n.value = value;
      if (link != head) {
        *link = n.next;
        if (n.next >= 0) node(n.next).prev = n.prev;
        n.prev = -1;
        n.next = *head;
        node(*head).prev = at;
        *head = at;
      }
      return;
    }
  }
  // A new binding. What it needs is allocated first (the name, a block of
  // nodes when the last is full, the bigger bucket array when the table
  // grows); the table changes only once nothing can fail any more. An index
  // that cannot grow is dropped instead, to be built again when needed.
  std::string copy(name);
  std::vector<std::int32_t> bigger;
  if (count_ + 1 > 2 * heads_.size()) bigger.assign(heads_.size() * 2 + 1, -1);
  if (count_ == blocks_.size() * kBlockNodes) {
    auto block = std::make_unique<Node[]>(kBlockNodes);
    blocks_.push_back(std::move(block));  // moving a unique_ptr cannot throw: strong guarantee
  }
  std::uint32_t tag = 0;
  if (!index_.empty()) {
    tag = static_cast<std::uint32_t>(keyed_hash(name, key_));
    if (2 * (count_ + 1) > index_.size()) {
      try {
        std::vector<Slot> grown(index_.size() * 2);
        for (const Slot& slot : index_)
          if (slot.node >= 0) index_insert(grown, slot.tag, slot.node);
        index_.swap(grown);
      } catch (const std::bad_alloc&) {
        std::vector<Slot>().swap(index_);
      }
    }
  }
  const auto at = static_cast<std::int32_t>(count_);
  Node& n = node(at);
  n.name = std::move(copy);
  n.value = value;
  n.hash = h;
  n.prev = -1;
  n.next = *head;
  if (*head >= 0) node(*head).prev = at;
  *head = at;
  ++count_;
  if (!index_.empty()) index_insert(index_, tag, at);
  if (!bigger.empty()) refile(bigger);
}

void VarTable::refile(std::vector<std::int32_t>& bigger) {
  for (std::int32_t head : heads_) {
    // Refile each old chain from its oldest binding to its newest: the chain
    // is reversed in place first, so that refiling needs no memory.
    std::int32_t oldest = -1;
    for (std::int32_t i = head; i >= 0;) {
      Node& n = node(i);
      const std::int32_t next = n.next;
      n.next = oldest;
      oldest = i;
      i = next;
    }
    for (std::int32_t i = oldest; i >= 0;) {
      Node& n = node(i);
      const std::int32_t newer = n.next;
      std::int32_t& to = bigger[n.hash % bigger.size()];
      n.prev = -1;
      n.next = to;
      if (to >= 0) node(to).prev = i;
      to = i;
      i = newer;
    }
  }
  heads_.swap(bigger);
}

bool VarTable::remove(std::string_view name) noexcept {
  const std::uint32_t h = hash(name);
  std::int32_t* head = &heads_[h % heads_.size()];
  std::int32_t at = -1;
  int walked = 0;
  for (std::int32_t i = *head; i >= 0; i = node(i).next, ++walked) {
    if (walked == kChainWalk) {
      at = find_indexed(name);
      break;
    }
    if (binds(node(i).name, node(i).hash, h, name)) {
      at = i;
      break;
    }
  }
  if (at < 0) return false;
  ++changes_;
  if (!index_.empty()) index_erase(at);
  unlink(at);
  // The nodes stay numbered below count_: the last one moves into the hole,
  // and the links to it (in its chain and in the index) follow.
  const auto last = static_cast<std::int32_t>(count_ - 1);
  if (at != last) {
    if (!index_.empty()) index_renumber(last, at);
    Node& moved = node(last);
    if (moved.prev >= 0)
      node(moved.prev).next = at;
    else
      heads_[moved.hash % heads_.size()] = at;
    if (moved.next >= 0) node(moved.next).prev = at;
    node(at) = std::move(moved);
  }
  node(last).name = std::string();  // its memory goes back
  --count_;
  // An empty last block goes back once half of the block before it is free
  // too, so that binding and removing at a block's edge does not allocate
  // each time.
  if (count_ + kBlockNodes / 2 <= (blocks_.size() - 1) * kBlockNodes) blocks_.pop_back();
  return true;
}

void VarTable::unlink(std::int32_t at) noexcept {
  Node& n = node(at);
  if (n.prev >= 0)
    node(n.prev).next = n.next;
  else
    heads_[n.hash % heads_.size()] = n.next;
  if (n.next >= 0) node(n.next).prev = n.prev;
  n.prev = n.next = -1;
}

std::size_t VarTable::index_slot(std::int32_t at) const noexcept {
  const auto tag = static_cast<std::uint32_t>(keyed_hash(node(at).name, key_));
  const std::size_t mask = index_.size() - 1;
  std::size_t s = tag & mask;
  while (index_[s].node != at) s = (s + 1) & mask;
  return s;
}

void VarTable::index_erase(std::int32_t at) noexcept {
  // Linear probing without tombstones: the entries after the hole that
  // probed past it move back into it.
  const std::size_t mask = index_.size() - 1;
  std::size_t hole = index_slot(at);
  for (std::size_t k = (hole + 1) & mask; index_[k].node >= 0; k = (k + 1) & mask) {
    const std::size_t home = index_[k].tag & mask;
    // Whether `home` lies cyclically in (hole, k]: then the entry stays.
    const bool stays = hole <= k ? (hole < home && home <= k) : (hole < home || home <= k);
    if (stays) continue;
    index_[hole] = index_[k];
    hole = k;
  }
  index_[hole] = Slot{};
}

void VarTable::index_renumber(std::int32_t from, std::int32_t to) noexcept { index_[index_slot(from)].node = to; }

void VarTable::clear() noexcept {
  ++changes_;
  for (std::int32_t& head : heads_) head = -1;
  blocks_.clear();  // the nodes and their names go back
  std::vector<Slot>().swap(index_);
  count_ = 0;
}

}  // namespace zorm
