// Undo for the line being edited, made from the line's states between two
// keys, whatever function changed it: a run of characters typed one after
// another at the cursor is one step, every other change a step of its own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

class LineUndo {
 public:
  struct State {
    std::wstring text;
    std::size_t cursor = 0;
    bool operator==(const State&) const = default;
  };

  // The line as it is now, before the next key.
  void observe(std::wstring_view text, std::size_t cursor);
  // The state before the last step, which the caller puts in the line; it
  // counts as observed. None when there is nothing to undo.
  std::optional<State> undo();
  // A new line: nothing to undo.
  void clear();

  // The oldest steps are forgotten beyond this many.
  static constexpr std::size_t kSteps = 100;

 private:
  State now_;
  bool typing_ = false;  // the last change was a character typed at the cursor
  std::vector<State> steps_;
};

}  // namespace zorm
