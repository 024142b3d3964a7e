// The variable table.
#include "parser/variables.h"

namespace zorm {

VarTable::VarTable() : heads_(kInitialBuckets, -1) {}

std::uint32_t VarTable::hash(std::string_view name) {
  std::uint32_t h = 0;
  for (char c : name) h = h * 19u + static_cast<unsigned char>(c);
  return h & 0x3FFFFFFFu;
}

const double* VarTable::find(std::string_view name) const {
  std::uint32_t h = hash(name);
  for (std::int32_t i = heads_[h % heads_.size()]; i >= 0;) {
    const Node& n = node(i);
    if (n.hash == h && n.name == name) return &n.value;
    i = n.next;
  }
  return nullptr;
}

void VarTable::bind(std::string_view name, double value) {
  const std::uint32_t h = hash(name);
  // Rebinding: the node moves to the head of its chain, which is where
  // removing the old binding and adding the new one would put it.
  std::int32_t* head = &heads_[h % heads_.size()];
  for (std::int32_t* link = head; *link >= 0; link = &node(*link).next) {
    Node& n = node(*link);
    if (n.hash == h && n.name == name) {
      n.value = value;
      if (link != head) {
        const std::int32_t at = *link;
        *link = n.next;
        n.next = *head;
        *head = at;
      }
      return;
    }
  }
  // A new binding. What it needs is allocated first (the name, a block of
  // nodes when the last is full, the bigger bucket array when the table
  // grows); the table changes only once nothing can fail any more.
  std::string copy(name);
  std::vector<std::int32_t> bigger;
  if (count_ + 1 > 2 * heads_.size()) bigger.assign(heads_.size() * 2 + 1, -1);
  if (count_ == blocks_.size() * kBlockNodes) {
    auto block = std::make_unique<Node[]>(kBlockNodes);
    blocks_.push_back(std::move(block));  // moving a unique_ptr cannot throw: strong guarantee
  }
  const auto at = static_cast<std::int32_t>(count_);
  Node& n = node(at);
  n.name = std::move(copy);
  n.value = value;
  n.hash = h;
  n.next = *head;
  *head = at;
  ++count_;
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
      n.next = to;
      to = i;
      i = newer;
    }
  }
  heads_.swap(bigger);
}

bool VarTable::remove(std::string_view name) noexcept {
  const std::uint32_t h = hash(name);
  std::int32_t* link = &heads_[h % heads_.size()];
  while (*link >= 0 && !(node(*link).hash == h && node(*link).name == name)) link = &node(*link).next;
  if (*link < 0) return false;
  const std::int32_t at = *link;
  *link = node(at).next;
  // The nodes stay numbered below count_: the last one moves into the hole,
  // and the link to it follows.
  const auto last = static_cast<std::int32_t>(count_ - 1);
  if (at != last) {
    Node& moved = node(last);
    std::int32_t* to_last = &heads_[moved.hash % heads_.size()];
    while (*to_last != last) to_last = &node(*to_last).next;
    *to_last = at;
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

void VarTable::clear() noexcept {
  for (std::int32_t& head : heads_) head = -1;
  blocks_.clear();  // the nodes and their names go back
  count_ = 0;
}

}  // namespace zorm
