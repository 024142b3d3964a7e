// A keyed hash of byte strings (SipHash-2-4): with a key kept secret, nobody
// who only chooses the strings can make them collide more often than chance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zorm {

struct HashKey {
  std::uint64_t k0 = 0;
  std::uint64_t k1 = 0;
};

namespace keyed_hash_detail {

inline std::uint64_t rotl(std::uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

struct State {
  std::uint64_t v0, v1, v2, v3;
  void round() {
    v0 += v1;
    v1 = rotl(v1, 13);
    v1 ^= v0;
    v0 = rotl(v0, 32);
    v2 += v3;
    v3 = rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = rotl(v1, 17);
    v1 ^= v2;
    v2 = rotl(v2, 32);
  }
  void absorb(std::uint64_t m) {
    v3 ^= m;
    round();
    round();
    v0 ^= m;
  }
};

// The 8 bytes at p as a little-endian word.
inline std::uint64_t word_at(const char* p) {
  std::uint64_t m = 0;
  for (int i = 7; i >= 0; --i) m = (m << 8) | static_cast<unsigned char>(p[i]);
  return m;
}

}  // namespace keyed_hash_detail

// SipHash-2-4 of `bytes` under `key`.
inline std::uint64_t keyed_hash(std::string_view bytes, const HashKey& key) {
  using keyed_hash_detail::word_at;
  keyed_hash_detail::State s{key.k0 ^ 0x736f6d6570736575ull, key.k1 ^ 0x646f72616e646f6dull,
                             key.k0 ^ 0x6c7967656e657261ull, key.k1 ^ 0x7465646279746573ull};
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  for (; left >= 8; p += 8, left -= 8) s.absorb(word_at(p));
  std::uint64_t last = static_cast<std::uint64_t>(bytes.size() & 0xff) << 56;
  for (std::size_t i = 0; i < left; ++i) last |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
  s.absorb(last);
  s.v2 ^= 0xff;
  for (int i = 0; i < 4; ++i) s.round();
  return s.v0 ^ s.v1 ^ s.v2 ^ s.v3;
}

}  // namespace zorm
