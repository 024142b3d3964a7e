// The growable block: contents kept on the way from the heap to a mapping
// and back, and a refused reservation falling back to what is needed.
#include "util/block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace zorm {
namespace {

// More than any address space: every request for it is refused.
constexpr std::size_t kTooMuch = SIZE_MAX / 2;

void fill(const Block& b, std::size_t from, std::size_t to) {
  auto* p = static_cast<unsigned char*>(b.data());
  for (std::size_t i = from; i < to; ++i) p[i] = static_cast<unsigned char>(i * 7 + i / 251);
}

// The first `n` bytes hold what fill wrote.
bool holds(const Block& b, std::size_t n) {
  const auto* p = static_cast<const unsigned char*>(b.data());
  for (std::size_t i = 0; i < n; ++i)
    if (p[i] != static_cast<unsigned char>(i * 7 + i / 251)) return false;
  return true;
}

TEST(Block, KeepsItsContentsAsItGrowsAndShrinks) {
  Block b;
  b.grow(100, 100, 0);
  EXPECT_FALSE(b.mapped());
  fill(b, 0, 100);
  const std::size_t big = 3 * Block::kMapFrom + 5;
  b.grow(big, big, 100);
  ASSERT_TRUE(b.mapped());
  ASSERT_GE(b.bytes(), big);
  EXPECT_TRUE(holds(b, 100));
  fill(b, 100, big);
  b.grow(8 * Block::kMapFrom, 64 * Block::kMapFrom, big);
  ASSERT_GE(b.bytes(), 64 * Block::kMapFrom);
  EXPECT_TRUE(holds(b, big));
  b.shrink(2 * Block::kMapFrom + 1, 2 * Block::kMapFrom);
  EXPECT_TRUE(b.mapped());
  EXPECT_GE(b.bytes(), 2 * Block::kMapFrom + 1);
  EXPECT_LT(b.bytes(), 64 * Block::kMapFrom);
  EXPECT_TRUE(holds(b, 2 * Block::kMapFrom));
  b.shrink(1000, 1000);
  EXPECT_FALSE(b.mapped());
  EXPECT_EQ(b.bytes(), 1000u);
  EXPECT_TRUE(holds(b, 1000));
  b.release();
  EXPECT_EQ(b.bytes(), 0u);
  EXPECT_EQ(b.data(), nullptr);
}

TEST(Block, RefusedReservationFallsBackToWhatIsNeeded) {
  for (std::size_t start : {std::size_t{64}, 2 * Block::kMapFrom}) {
    Block b;
    b.grow(start, start, 0);
    fill(b, 0, start);
    b.grow(2 * start, kTooMuch, start);
    EXPECT_GE(b.bytes(), 2 * start) << start;
    EXPECT_LT(b.bytes(), kTooMuch) << start;
    EXPECT_TRUE(holds(b, start)) << start;
    // When even what is needed is refused, the block stays as it was.
    const void* at = b.data();
    const std::size_t bytes = b.bytes();
    EXPECT_THROW(b.grow(kTooMuch, kTooMuch, start), std::bad_alloc) << start;
    EXPECT_EQ(b.data(), at) << start;
    EXPECT_EQ(b.bytes(), bytes) << start;
    EXPECT_TRUE(holds(b, start)) << start;
  }
}

}  // namespace
}  // namespace zorm
