// The variable table's hash, growth and traversal order.
#include "parser/variables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/failing_allocations.h"

namespace zorm {
namespace {

// "<prefix><i>", built without operator+ (GCC 12 warns falsely on it).
std::string name(const char* prefix, int i) { return std::string(prefix).append(std::to_string(i)); }

std::string order(const VarTable& t) {
  std::string out;
  t.traverse([&](std::string_view name, double value) {
    out += std::string(name) + "=" + std::to_string(static_cast<int>(value)) + " ";
  });
  return out;
}

TEST(VarTable, Hash) {
  EXPECT_EQ(VarTable::hash("x"), 120u);
  EXPECT_EQ(VarTable::hash("ab"), 1941u);
  EXPECT_EQ(VarTable::hash("foo"), 39042u);
  // Wraps modulo 2^32 (to 3478001696 here), then keeps 30 bits.
  EXPECT_EQ(VarTable::hash(std::string(40, 'z')), 256776224u);
}

TEST(VarTable, OrderNewestFirstWithinBucket) {
  VarTable t;
  int v = 1;
  for (const char* name : {"a", "b", "x", "y", "z"}) t.bind(name, v++);
  EXPECT_EQ(order(t), "x=3 y=4 z=5 a=1 b=2 ");
  VarTable u;
  u.bind("a", 1);
  u.bind("k", 2);
  EXPECT_EQ(order(u), "k=2 a=1 ");
  u.bind("a", 3);
  EXPECT_EQ(order(u), "a=3 k=2 ");
  u.bind("a", 4);
  EXPECT_EQ(u.size(), 2u);
  EXPECT_EQ(*u.find("a"), 4.0);
  EXPECT_EQ(u.find("q"), nullptr);
}

TEST(VarTable, GrowthAndClear) {
  VarTable t;
  for (int i = 0; i < 20; ++i) t.bind(name("v", i), i);
  EXPECT_EQ(t.bucket_count(), 10u);
  t.bind("v20", 20);
  EXPECT_EQ(t.bucket_count(), 21u);
  for (int i = 21; i < 43; ++i) t.bind(name("v", i), i);
  EXPECT_EQ(t.bucket_count(), 43u);
  for (int i = 0; i < 43; ++i) EXPECT_EQ(*t.find(name("v", i)), i);
  t.clear();
  EXPECT_EQ(t.size(), 0u);
  EXPECT_EQ(t.bucket_count(), 43u);
  EXPECT_EQ(order(t), "");
}

TEST(VarTable, GrowthRefilesByOldBucket) {
  // n0 (old bucket 8) and n15 (old bucket 4) share bucket 17 of 21. Growth
  // refiles old bucket 4 before old bucket 8, so the older n0 ends up first.
  VarTable t;
  for (int i = 0; i < 21; ++i) t.bind(name("n", i), i);
  ASSERT_EQ(t.bucket_count(), 21u);
  EXPECT_EQ(VarTable::hash("n0") % 21, 17u);
  EXPECT_EQ(VarTable::hash("n15") % 21, 17u);
  EXPECT_NE(order(t).find("n14=14 n0=0 n15=15 "), std::string::npos) << order(t);
}

// A binding that runs out of memory is not made, and the table stays as it
// was. Each table is one allocation away from a point of growth: the bucket
// array (after 20 bindings), a new block of nodes (after 1024), a name too
// long to be held in place. Every allocation of the binding fails in turn
// until it succeeds; rebinding a name needs no memory at all.
TEST(VarTable, BindingOutOfMemoryIsWholeOrNotMade) {
  using testing::FailingAllocations;
  const std::string long_name(40, 'q');
  struct Case {
    int before;
    std::string name;
  };
  const Case kCases[] = {{20, "w"}, {1024, "w"}, {3, long_name}};
  for (const Case& c : kCases) {
    for (std::size_t allowed = 0;; ++allowed) {
      VarTable t;
      for (int i = 0; i < c.before; ++i) t.bind(name("v", i), i);
      const std::string was = order(t);
      const std::size_t buckets = t.bucket_count();
      bool made = true;
      std::size_t refused = 0;
      {
        FailingAllocations fail(allowed);
        try {
          t.bind(c.name, -1);
        } catch (const std::bad_alloc&) {
          made = false;
        }
        // Rebinding, whatever its place in the chain, moves it to the head.
        t.bind("v1", 7);
        t.bind("v0", 8);
        refused = fail.refused();
      }
      EXPECT_EQ(refused, made ? 0u : 1u);
      EXPECT_EQ(*t.find("v1"), 7);
      EXPECT_EQ(*t.find("v0"), 8);
      if (!made) {
        EXPECT_EQ(t.find(c.name), nullptr) << c.before << " " << allowed;
        EXPECT_EQ(t.size(), static_cast<std::size_t>(c.before));
        EXPECT_EQ(t.bucket_count(), buckets);
        VarTable u;  // the same table, bound without failures
        for (int i = 0; i < c.before; ++i) u.bind(name("v", i), i);
        u.bind("v1", 7);
        u.bind("v0", 8);
        EXPECT_EQ(order(t), order(u)) << c.before << " " << allowed;
        continue;
      }
      EXPECT_GT(allowed, 0u) << "the binding needs memory";
      EXPECT_EQ(*t.find(c.name), -1);
      EXPECT_EQ(t.size(), static_cast<std::size_t>(c.before) + 1);
      EXPECT_NE(was, order(t));
      break;
    }
  }
}

// The table's algorithm as written down, with lists: remove, then add at the
// head; growth refiles the old buckets from 0 up, each from its oldest
// binding to its newest.
class ModelTable {
 public:
  void bind(const std::string& name, double value) {
    auto& chain = buckets_[VarTable::hash(name) % buckets_.size()];
    auto it = std::find_if(chain.begin(), chain.end(), [&](const auto& b) { return b.first == name; });
    if (it != chain.end()) {
      chain.erase(it);
      --count_;
    }
    chain.emplace_front(name, value);
    if (++count_ > 2 * buckets_.size()) {
      std::vector<std::list<std::pair<std::string, double>>> bigger(buckets_.size() * 2 + 1);
      for (auto& old : buckets_)
        for (auto b = old.rbegin(); b != old.rend(); ++b)
          bigger[VarTable::hash(b->first) % bigger.size()].push_front(*b);
      buckets_.swap(bigger);
    }
  }
  bool remove(const std::string& name) {
    auto& chain = buckets_[VarTable::hash(name) % buckets_.size()];
    auto it = std::find_if(chain.begin(), chain.end(), [&](const auto& b) { return b.first == name; });
    if (it == chain.end()) return false;
    chain.erase(it);
    --count_;
    return true;
  }
  const double* find(const std::string& name) const {
    for (const auto& b : buckets_[VarTable::hash(name) % buckets_.size()])
      if (b.first == name) return &b.second;
    return nullptr;
  }
  void clear() {
    for (auto& chain : buckets_) chain.clear();
    count_ = 0;
  }
  std::string order() const {
    std::string out;
    for (const auto& chain : buckets_)
      for (const auto& b : chain) out += b.first + "=" + std::to_string(static_cast<int>(b.second)) + " ";
    return out;
  }

 private:
  std::vector<std::list<std::pair<std::string, double>>> buckets_{VarTable::kInitialBuckets};
  std::size_t count_ = 0;
};

// Names of k pairs "at" or "ba", which add the same to the hash: all 2^k of
// them share one hash, and so one chain at every bucket count.
std::vector<std::string> one_hash_names(int pairs) {
  std::vector<std::string> names;
  for (int i = 0; i < (1 << pairs); ++i) {
    std::string n;
    for (int b = 0; b < pairs; ++b) n += (i >> b) & 1 ? "at" : "ba";
    names.push_back(n);
  }
  return names;
}

std::vector<std::string> random_names(std::size_t count, std::size_t length) {
  std::mt19937 rng(7);
  std::vector<std::string> names;
  while (names.size() < count) {
    std::string n;
    for (std::size_t i = 0; i < length; ++i) n.push_back(static_cast<char>('a' + rng() % 26));
    names.push_back(n);
  }
  return names;
}

// Names of one hash and random names, bound, rebound in a shuffled order,
// read (bound and unbound), a part removed, listed and cleared: the table
// lists exactly what the algorithm as written lists, finds what it finds,
// and the one-hash names go through the index.
TEST(VarTable, OneHashAndRandomNamesListAsTheAlgorithmSays) {
  const struct {
    const char* kind;
    std::vector<std::string> names;
    bool indexed;
  } cases[] = {
      {"one hash", one_hash_names(11), true},
      {"random", random_names(2048, 22), false},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(VarTable::hash(c.names[0]) == VarTable::hash(c.names[1]), c.indexed) << c.kind;
    VarTable t;
    ModelTable model;
    std::vector<std::string> shuffled = c.names;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
    for (int pass = 0; pass < 2; ++pass) {
      int v = 0;
      for (const std::string& n : c.names) {
        t.bind(n, ++v);
        model.bind(n, v);
      }
      EXPECT_EQ(t.size(), c.names.size()) << c.kind;
      EXPECT_EQ(t.indexed(), c.indexed) << c.kind;
      // Rebinding half of them, in another order, moves each to its head.
      for (std::size_t i = 0; i < shuffled.size() / 2; ++i) {
        t.bind(shuffled[i], -static_cast<double>(i));
        model.bind(shuffled[i], -static_cast<double>(i));
      }
      EXPECT_EQ(t.size(), c.names.size()) << c.kind;
      EXPECT_EQ(order(t), model.order()) << c.kind << " pass " << pass;
      for (const std::string& n : shuffled) {
        ASSERT_NE(t.find(n), nullptr) << c.kind << " " << n;
        EXPECT_EQ(*t.find(n), *model.find(n)) << c.kind << " " << n;
      }
      for (const std::string& n : {c.names[0] + "x", "ab" + c.names[0], std::string("q")})
        EXPECT_EQ(t.find(n), nullptr) << c.kind << " " << n;
      // Removing a third (the nodes behind them move into their places) keeps
      // the others' order and their values, in the chains and in the index.
      for (std::size_t i = shuffled.size() / 3; i < 2 * shuffled.size() / 3; ++i) {
        EXPECT_TRUE(t.remove(shuffled[i])) << c.kind << " " << shuffled[i];
        model.remove(shuffled[i]);
      }
      EXPECT_FALSE(t.remove(shuffled[shuffled.size() / 3])) << "removed already";
      EXPECT_EQ(t.size(), c.names.size() - (2 * shuffled.size() / 3 - shuffled.size() / 3)) << c.kind;
      EXPECT_EQ(order(t), model.order()) << c.kind << " after removals";
      for (const std::string& n : shuffled) {
        const double* want = model.find(n);
        const double* got = t.find(n);
        ASSERT_EQ(got == nullptr, want == nullptr) << c.kind << " " << n;
        if (got != nullptr) {
          EXPECT_EQ(*got, *want) << c.kind << " " << n;
        }
      }
      t.bind(shuffled[shuffled.size() / 2], 7);  // a removed name binds again
      model.bind(shuffled[shuffled.size() / 2], 7);
      EXPECT_EQ(order(t), model.order()) << c.kind << " after binding again";
      t.clear();
      model.clear();
      EXPECT_EQ(order(t), "");
      EXPECT_FALSE(t.indexed());
      EXPECT_EQ(t.find(c.names[0]), nullptr);
    }
  }
}

// With the index built, a binding whose index cannot grow is made all the
// same: the index is dropped, and built again by the next long walk.
TEST(VarTable, IndexThatCannotGrowIsDropped) {
  using testing::FailingAllocations;
  const std::vector<std::string> names = one_hash_names(6);  // 64 names of one hash
  VarTable t;
  for (std::size_t i = 0; i < 32; ++i) t.bind(names[i], static_cast<double>(i));
  ASSERT_TRUE(t.indexed());
  {
    FailingAllocations fail(0);
    t.bind(names[32], 32);  // the index would grow here
    EXPECT_EQ(fail.refused(), 1u);
    EXPECT_FALSE(t.indexed());
    EXPECT_EQ(*t.find(names[0]), 0.0) << "found by walking the chain";
  }
  EXPECT_EQ(t.size(), 33u);
  for (std::size_t i = 0; i <= 32; ++i) {
    ASSERT_NE(t.find(names[i]), nullptr) << i;
    EXPECT_EQ(*t.find(names[i]), static_cast<double>(i));
  }
  EXPECT_TRUE(t.indexed());
}

}  // namespace
}  // namespace zorm
