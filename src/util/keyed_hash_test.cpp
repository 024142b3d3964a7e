// The keyed hash against the published SipHash-2-4 vectors.
#include "util/keyed_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace zorm {
namespace {

// Key 00 01 .. 0f, messages 00 01 .. (n - 1) bytes long.
TEST(KeyedHash, PublishedVectors) {
  const HashKey key{0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull};
  std::string message;
  for (int i = 0; i < 16; ++i) message.push_back(static_cast<char>(i));
  const struct {
    std::size_t length;
    std::uint64_t want;
  } cases[] = {
      {0, 0x726fdb47dd0e0e31ull},  {1, 0x74f839c593dc67fdull},  {7, 0xab0200f58b01d137ull},
      {8, 0x93f5f5799a932462ull},  {15, 0xa129ca6149be45e5ull}, {16, 0x3f2acc7f57c29bdbull},
  };
  for (const auto& c : cases)
    EXPECT_EQ(keyed_hash(std::string_view(message).substr(0, c.length), key), c.want) << c.length;
  EXPECT_NE(keyed_hash("x", key), keyed_hash("x", HashKey{1, 2})) << "the key changes the hash";
}

}  // namespace
}  // namespace zorm
