// The variable table's hash, growth and traversal order.
#include "parser/variables.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

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

}  // namespace
}  // namespace zorm
