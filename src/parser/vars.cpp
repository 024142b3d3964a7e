// The variable table.
#include "parser/vars.h"

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
    const Node& node = nodes_[static_cast<std::size_t>(i)];
    if (node.hash == h && node.name == name) return &node.value;
    i = node.next;
  }
  return nullptr;
}

void VarTable::bind(std::string_view name, double value) {
  std::uint32_t h = hash(name);
  // Rebinding the head of a chain keeps its place: remove-then-add would put
  // it back at the head anyway, so only the value changes.
  std::int32_t& head = heads_[h % heads_.size()];
  if (head >= 0) {
    Node& first = nodes_[static_cast<std::size_t>(head)];
    if (first.hash == h && first.name == name) {
      first.value = value;
      return;
    }
  }
  remove(name, h);
  add(name, h, value);
}

void VarTable::remove(std::string_view name, std::uint32_t h) {
  std::int32_t* link = &heads_[h % heads_.size()];
  while (*link >= 0) {
    Node& node = nodes_[static_cast<std::size_t>(*link)];
    if (node.hash == h && node.name == name) {
      std::int32_t gone = *link;
      *link = node.next;
      node.name.clear();
      free_.push_back(gone);
      --count_;
      return;
    }
    link = &node.next;
  }
}

void VarTable::add(std::string_view name, std::uint32_t h, double value) {
  std::int32_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
  } else {
    slot = static_cast<std::int32_t>(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[static_cast<std::size_t>(slot)];
  node.name.assign(name);
  node.value = value;
  node.hash = h;
  std::int32_t& head = heads_[h % heads_.size()];
  node.next = head;
  head = slot;
  ++count_;
  if (count_ > 2 * heads_.size()) grow();
}

void VarTable::grow() {
  std::vector<std::int32_t> old;
  old.swap(heads_);
  heads_.assign(old.size() * 2 + 1, -1);
  std::vector<std::int32_t> chain;
  for (std::int32_t head : old) {
    // Refile each old chain from its oldest binding to its newest.
    chain.clear();
    for (std::int32_t i = head; i >= 0; i = nodes_[static_cast<std::size_t>(i)].next) chain.push_back(i);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      Node& node = nodes_[static_cast<std::size_t>(*it)];
      std::int32_t& to = heads_[node.hash % heads_.size()];
      node.next = to;
      to = *it;
    }
  }
}

void VarTable::clear() {
  for (std::int32_t& head : heads_) head = -1;
  nodes_.clear();
  free_.clear();
  count_ = 0;
}

}  // namespace zorm
