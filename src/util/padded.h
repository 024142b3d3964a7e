// Padded text: statement text followed by a NUL byte and more readable
// bytes, so that the lexer can read whole words at a time and let the NUL
// end its runs of digits, letters and blanks without a bounds test a byte.
#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <string_view>

namespace zorm {

// Bytes readable after a padded text, the NUL first.
inline constexpr std::size_t kPadding = 16;

// Padding for the empty text.
inline constexpr char kNoText[kPadding] = {};

// A view of padded text: text() is followed in memory by a NUL byte and
// kPadding - 1 more readable bytes (of any value). Only the owner of the
// bytes knows that they are there, so views are made by the owners
// (PaddedString, the line reader).
class PaddedView {
 public:
  constexpr PaddedView() = default;
  // `text` must be followed by a NUL and kPadding - 1 more readable bytes.
  static constexpr PaddedView trusted(std::string_view text) { return PaddedView(text); }
  constexpr std::string_view text() const { return text_; }

 private:
  constexpr explicit PaddedView(std::string_view text) : text_(text) {}
  std::string_view text_{kNoText, 0};
};

// A padded copy of a text, for text whose owner gives no padding (command-line
// words, a statement inside a replace-mode line, tests). Assigning keeps the
// memory, so one copy reused for many statements allocates only to grow.
class PaddedString {
 public:
  PaddedString() = default;
  explicit PaddedString(std::string_view text) { assign(text); }
  // Copies text, which may lie in this copy. A failed allocation raises
  // std::bad_alloc and leaves the copy empty.
  void assign(std::string_view text) {
    try {
      // One allocation of the final size: assigning and then appending the
      // padding would grow the string a second time, to twice the text.
      if (bytes_.capacity() < text.size() + kPadding) {
        std::string bigger;
        bigger.reserve(text.size() + kPadding);
        bigger.assign(text.data(), text.size());
        bytes_.swap(bigger);
      } else {
        bytes_.assign(text.data(), text.size());
      }
      bytes_.append(kPadding, '\0');
    } catch (const std::bad_alloc&) {
      bytes_.clear();
      throw;
    }
  }
  // Makes room for a text of `bytes` bytes, so that assigning one that long
  // allocates nothing.
  void reserve(std::size_t bytes) { bytes_.reserve(bytes + kPadding); }
  PaddedView view() const {
    return bytes_.empty() ? PaddedView() : PaddedView::trusted({bytes_.data(), bytes_.size() - kPadding});
  }

 private:
  std::string bytes_;
};

}  // namespace zorm
