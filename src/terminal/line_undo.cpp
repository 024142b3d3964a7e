// Undo for the line being edited.
#include "terminal/line_undo.h"

namespace zorm {

void LineUndo::observe(std::wstring_view text, std::size_t cursor) {
  if (text == now_.text) {
    if (cursor != now_.cursor) typing_ = false;  // moving ends a run of typing
    now_.cursor = cursor;
    return;
  }
  const std::wstring_view was = now_.text;
  const std::size_t at = now_.cursor;
  const bool typed = text.size() == was.size() + 1 && cursor == at + 1 && at <= was.size() &&
                     text.substr(0, at) == was.substr(0, at) && text.substr(cursor) == was.substr(at);
  if (!(typed && typing_)) {
    if (steps_.size() == kSteps) steps_.erase(steps_.begin());
    steps_.push_back(now_);
  }
  typing_ = typed;
  now_ = State{std::wstring(text), cursor};
}

std::optional<LineUndo::State> LineUndo::undo() {
  if (steps_.empty()) return std::nullopt;
  now_ = std::move(steps_.back());
  steps_.pop_back();
  typing_ = false;
  return now_;
}

void LineUndo::clear() {
  now_ = State{};
  typing_ = false;
  steps_.clear();
}

}  // namespace zorm
