// The streams of a library calculator: what the core writes is handed on to
// the embedder's std::ostream, when there is one, and collected for the
// result, when asked, with lines longer than a limit cut in the middle.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "util/io.h"

namespace zorm {

class Sink final : public Output {
 public:
  // What a collection does when memory runs out: `cut` keeps what was
  // collected and ends it with the note kCutNote, `fail` raises
  // std::bad_alloc.
  enum class WhenShort { cut, fail };
  static constexpr std::string_view kCutNote = "{Report cut: out of memory}\n";

  // A line longer than `line_limit` bytes (0: no limit) keeps its first
  // half and its last half, with "[N bytes cut]" between them; the embedder's
  // stream gets the same bytes as the collection.
  Sink(std::ostream* forward, bool collect, std::size_t line_limit, WhenShort when_short);

  // Ends the statement's writing (a line left open ends as it would have)
  // and hands over what was collected into `into` (which is left as it is
  // when nothing was), with its memory: the sink keeps room for the note
  // alone. Inline: most statements write nothing.
  void take(std::string& into) {
    flush();
    if (text_.empty() && line_ == 0 && beyond_ == 0 && !cut_) return;
    into = take_collected();
  }
  // Whether a write to the embedder's stream threw or left it failed since
  // the last reset; after that the stream gets nothing more until the reset.
  bool forward_failed() const { return forward_failed_; }
  // Starts the next statement: what is still buffered goes out, and
  // everything of the last statement is dropped. After take() nothing is
  // left but the flags.
  void reset() noexcept {
    if (buffered() || !text_.empty() || line_ != 0 || beyond_ != 0) drop();
    cut_ = forward_failed_ = false;
  }

 protected:
  void sink(const char* data, std::size_t size) override;

 private:
  std::string take_collected();
  void drop() noexcept;
  // Bytes of the line beyond its head, into the ring that keeps the last of them.
  void keep_tail(const char* data, std::size_t size);
  // The line's end: its tail, or the cut and the tail.
  void end_line();
  // To the stream and into the collection.
  void deliver(const char* data, std::size_t size);
  void deliver(std::string_view text) { deliver(text.data(), text.size()); }

  std::ostream* forward_;
  bool collect_;
  WhenShort when_short_;
  bool forward_failed_ = false;
  bool cut_ = false;  // the collection ran out of memory
  std::string text_;

  // Line cutting: the first head_ bytes of a line are delivered as they
  // come, the last tail_bytes_ beyond them are held in the ring until the
  // line ends.
  std::size_t head_ = 0;
  std::size_t tail_bytes_ = 0;
  std::unique_ptr<char[]> ring_;
  std::size_t ring_at_ = 0;  // where the next byte goes
  std::size_t line_ = 0;     // head bytes of the current line delivered
  std::size_t beyond_ = 0;   // bytes of the current line beyond the head
};

}  // namespace zorm
