// The parse loop's two stacks, the frames and the states, in blocks that keep
// their memory from one statement to the next while it is on the heap, and
// their growth rule.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "util/block.h"

namespace zorm {

// One recognised symbol on the parse stack: its value and its span. Spans are
// 32-bit for every statement shorter than 4 GiB: 16 bytes a frame, which is
// what a deeply nested statement touches; longer statements are parsed with
// WideFrame.
// Trick narrow-frames; plain: WideFrame for every statement; bench: Frames_nested/narrow vs Frames_nested/plain_wide.
template <class Offset>
struct BasicFrame {
  double value;
  Offset start;
  Offset end;
};
using Frame = BasicFrame<std::uint32_t>;
using WideFrame = BasicFrame<std::size_t>;

// The state stack holds rows of the parse tables (see row_tables.h).
using StateCell = std::int16_t;

class ParseStacks {
 public:
  // The entries made room for before a statement's first token.
  static constexpr std::size_t kFirstEntries = 64;

  // Makes room for kFirstEntries entries of frames F (no more than is there).
  template <class F>
  void prepare() {
    if (states_.bytes() < kFirstEntries * sizeof(StateCell) || frames_.bytes() < kFirstEntries * sizeof(F)) {
      states_.grow(kFirstEntries * sizeof(StateCell), kFirstEntries * sizeof(StateCell), 0);
      frames_.grow(kFirstEntries * sizeof(F), kFirstEntries * sizeof(F), 0);
    }
  }
  // Grows both stacks beyond `entries` entries, keeping them: room for twice
  // the entries is asked for, and for one more when memory is too short for
  // that. A stack that cannot grow raises std::bad_alloc, and the statement
  // fails. The stacks may move.
  template <class F>
  [[gnu::noinline]] void grow(std::size_t entries) {
    states_.grow((entries + 1) * sizeof(StateCell), 2 * entries * sizeof(StateCell), entries * sizeof(StateCell));
    frames_.grow((entries + 1) * sizeof(F), 2 * entries * sizeof(F), entries * sizeof(F));
  }
  // Gives mapped stacks back (a deep statement's), so that what is held
  // between statements stays small, and a statement that ran out of memory
  // leaves it free for the next one.
  void give_back() {
    if (frames_.mapped()) [[unlikely]] {
      frames_.release();
      if (states_.mapped()) states_.release();
    }
  }

  // Gives both stacks back when they hold more than `bytes` together.
  void give_back_over(std::size_t bytes) noexcept {
    if (frames_.bytes() + states_.bytes() > bytes) {
      frames_.release();
      states_.release();
    }
  }

  template <class F>
  F* frames() const {
    return static_cast<F*>(frames_.data());
  }
  StateCell* states() const { return static_cast<StateCell*>(states_.data()); }
  // The entries both stacks have room for.
  template <class F>
  std::size_t entries() const {
    return std::min(states_.bytes() / sizeof(StateCell), frames_.bytes() / sizeof(F));
  }

 private:
  Block frames_;  // the larger of the two, mapped first
  Block states_;
};

}  // namespace zorm
