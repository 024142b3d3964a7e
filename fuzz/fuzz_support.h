// Shared pieces of the fuzz targets: an output that keeps every flushed chunk
// apart, the result-text check, and a snapshot of the variable table.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parser/parse_loop.h"
#include "support/number_text_reference.h"
#include "util/io.h"
#include "util/number_text.h"

namespace zorm::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "invariant failed: %s\n", what);
  if (!detail.empty()) std::fprintf(stderr, "detail: <%.*s>\n", static_cast<int>(detail.size()), detail.data());
  std::abort();
}

// Keeps every chunk handed on by a flush separately. A notice is written and
// flushed on its own, so each notice is one chunk (below the buffer size).
class ChunkOutput final : public Output {
 public:
  std::vector<std::string> chunks;
  std::string all;
  ~ChunkOutput() override { flush(); }
  const std::string& text() {
    flush();
    return all;
  }

 protected:
  void sink(const char* data, std::size_t size) override {
    chunks.emplace_back(data, size);
    all.append(data, size);
  }
};

// True when t is what number_text writes for some number other than a NaN.
inline bool is_number_text(std::string_view t) {
  if (t.empty() || t.size() >= kNumberTextMax) return false;
  if (t == "inf" || t == "-inf") return true;
  for (char c : t)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '.' || c == 'e' || c == '+')) return false;
  // "%.12g" gives plain digits for any value that rounds to an integer of at
  // most 12 digits, and number_text marks the non-small ones with a point: 400.
  // stands for 400.00000000000006 as well as for nothing else.
  if (t.back() == '.') {
    std::string_view digits = t.substr(t[0] == '-' ? 1 : 0, t.size() - 1 - (t[0] == '-' ? 1 : 0));
    if (digits.empty() || digits.size() > 12 || (digits[0] == '0' && digits.size() > 1)) return false;
    for (char c : digits)
      if (c < '0' || c > '9') return false;
    return true;
  }
  std::string s(t);
  char* end = nullptr;
  double x = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || std::isnan(x)) return false;
  return number_text(x) == s;
}

inline void check_number_text(double x) {
  std::string got = number_text(x);
  std::string want = zorm::testing::reference_number_text(x);
  if (got != want) {
    char bits[64];
    std::snprintf(bits, sizeof bits, "%a", x);
    fail("number_text differs from its definition", got + " vs " + want + " for " + bits);
  }
}

inline bool is_result_text(std::string_view t, std::string_view unit) {
  return t == unit || t == "NaN" || t == "Error." || is_number_text(t);
}

using Snapshot = std::vector<std::pair<std::string, std::uint64_t>>;

inline Snapshot snapshot(VarTable& vars) {
  Snapshot s;
  vars.traverse([&](std::string_view name, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    s.emplace_back(std::string(name), bits);
  });
  return s;
}

}  // namespace zorm::fuzz
