// Padded text: statement text followed by a NUL byte and more readable
// bytes, so that the lexer can read whole words at a time and let the NUL
// end its runs of digits, letters and blanks without a bounds test a byte.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
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
//
// The bytes are a plain array rather than a std::string: a copy that fits is
// one memmove and one 16-byte store of NULs, without std::string's assign and
// append, which replace mode's many short statements feel.
// Trick padded-array; plain: a std::string with the NULs appended; bench: PaddedCopy/array vs PaddedCopy/plain_string.
class PaddedString {
 public:
  PaddedString() = default;
  explicit PaddedString(std::string_view text) { assign(text); }
  PaddedString(const PaddedString&) = delete;
  PaddedString& operator=(const PaddedString&) = delete;

  // Copies text, which may lie in this copy. A failed allocation raises
  // std::bad_alloc and leaves the copy empty.
  void assign(std::string_view text) {
    if (capacity_ == 0 || capacity_ - kPadding < text.size()) {
      // One allocation of the final size; the text is copied out before the
      // old bytes, where it may lie, go.
      char* bigger = nullptr;
      try {
        bigger = new char[text.size() + kPadding];
      } catch (const std::bad_alloc&) {
        size_ = 0;
        if (bytes_) std::memset(bytes_.get(), 0, kPadding);
        throw;
      }
      if (!text.empty()) std::memcpy(bigger, text.data(), text.size());
      bytes_.reset(bigger);
      capacity_ = text.size() + kPadding;
    } else if (!text.empty()) {
      std::memmove(bytes_.get(), text.data(), text.size());
    }
    std::memset(bytes_.get() + text.size(), 0, kPadding);
    size_ = text.size();
  }
  // Makes room for a text of `bytes` bytes, so that assigning one that long
  // allocates nothing. Raises std::bad_alloc, the copy as it was, when the
  // room cannot be had.
  void reserve(std::size_t bytes) {
    if (capacity_ != 0 && capacity_ - kPadding >= bytes) return;
    std::unique_ptr<char[]> bigger(new char[bytes + kPadding]);
    std::memcpy(bigger.get(), bytes_ ? bytes_.get() : kNoText, size_ + kPadding);
    bytes_ = std::move(bigger);
    capacity_ = bytes + kPadding;
  }
  // The longest text that fits without allocating.
  std::size_t room() const { return capacity_ == 0 ? 0 : capacity_ - kPadding; }
  // Gives back the memory beyond room for `bytes`, when the copy holds more;
  // the copy is empty afterwards. When even the smaller room cannot be had,
  // all of it goes.
  void shrink(std::size_t bytes) noexcept {
    if (capacity_ == 0 || capacity_ - kPadding <= bytes) return;
    bytes_.reset(new (std::nothrow) char[bytes + kPadding]);
    capacity_ = bytes_ ? bytes + kPadding : 0;
    size_ = 0;
    if (bytes_) std::memset(bytes_.get(), 0, kPadding);
  }
  PaddedView view() const {
    return bytes_ ? PaddedView::trusted({bytes_.get(), size_}) : PaddedView();
  }

 private:
  std::unique_ptr<char[]> bytes_;  // size_ bytes of text, then kPadding NULs
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;       // 0, or at least kPadding
};

}  // namespace zorm
