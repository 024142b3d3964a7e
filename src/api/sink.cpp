// The streams of a library calculator.
#include "api/sink.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <ostream>
#include <utility>

#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

#include "util/text.h"

namespace zorm {

Sink::Sink(std::ostream* forward, bool collect, std::size_t line_limit, WhenShort when_short)
    : forward_(forward), collect_(collect), when_short_(when_short) {
  if (collect_) text_.reserve(kCutNote.size());
  if (line_limit == 0) return;
  tail_bytes_ = line_limit / 2;
  head_ = line_limit - tail_bytes_;
  if (tail_bytes_ > 0) ring_.reset(new char[tail_bytes_]);
}

void Sink::sink(const char* data, std::size_t size) {
  if (head_ == 0) {
    deliver(data, size);
    return;
  }
  while (size > 0) {
    const void* nl = std::memchr(data, '\n', size);
    std::size_t run = nl == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(nl) - data);
    if (line_ < head_) {
      const std::size_t n = std::min(run, head_ - line_);
      deliver(data, n);
      line_ += n;
      data += n;
      size -= n;
      run -= n;
    }
    keep_tail(data, run);
    data += run;
    size -= run;
    if (nl == nullptr) return;
    end_line();
    deliver("\n", 1);
    ++data;
    --size;
  }
}

void Sink::keep_tail(const char* data, std::size_t size) {
  beyond_ += size;
  if (tail_bytes_ == 0 || size == 0) return;
  if (size >= tail_bytes_) {
    std::memcpy(ring_.get(), data + (size - tail_bytes_), tail_bytes_);
    ring_at_ = 0;
    return;
  }
  const std::size_t first = std::min(size, tail_bytes_ - ring_at_);
  std::memcpy(ring_.get() + ring_at_, data, first);
  std::memcpy(ring_.get(), data + first, size - first);
  ring_at_ = (ring_at_ + size) % tail_bytes_;
}

void Sink::end_line() {
  if (beyond_ > tail_bytes_) {
    deliver("[");
    deliver(Decimal(beyond_ - tail_bytes_).view());
    deliver(" bytes cut]");
  }
  const std::size_t kept = std::min(beyond_, tail_bytes_);
  if (kept > 0) {
    // The oldest byte kept, then on round the ring.
    const std::size_t from = (ring_at_ + tail_bytes_ - kept) % tail_bytes_;
    const std::size_t first = std::min(kept, tail_bytes_ - from);
    deliver(ring_.get() + from, first);
    deliver(ring_.get(), kept - first);
  }
  line_ = beyond_ = ring_at_ = 0;
}

void Sink::deliver(const char* data, std::size_t size) {
  if (size == 0) return;
  if (forward_ != nullptr && !forward_failed_) {
    try {
      forward_->write(data, static_cast<std::streamsize>(size));
      if (forward_->fail()) forward_failed_ = true;
#if defined(__GLIBCXX__)
    } catch (abi::__forced_unwind&) {
      throw;  // a thread's cancellation goes on
#endif
    } catch (...) {
      forward_failed_ = true;
    }
  }
  if (!collect_ || cut_) return;
  if (when_short_ == WhenShort::fail) {
    text_.append(data, size);
    return;
  }
  try {
    text_.append(data, size);
  } catch (const std::bad_alloc&) {
    cut_ = true;
  }
}

std::string Sink::take_collected() {
  if (line_ != 0 || beyond_ != 0) end_line();
  if (cut_) {
    // The note takes the place of the last bytes collected when the room
    // that the collection already has cannot hold it.
    const std::size_t room = text_.capacity() - text_.size();
    if (room < kCutNote.size()) text_.resize(text_.size() - std::min(text_.size(), kCutNote.size() - room));
    text_.append(kCutNote.substr(0, text_.capacity() - text_.size()));
  }
  cut_ = false;
  // The text is handed over with its memory, and the sink makes room for
  // the note again.
  if (text_.empty()) return std::string();
  std::string taken = std::exchange(text_, std::string());
  try {
    text_.reserve(kCutNote.size());
  } catch (const std::bad_alloc&) {
    // The next note is cut to the room there is.
  }
  return taken;
}

void Sink::drop() noexcept {
  try {
    flush();
  } catch (const std::bad_alloc&) {
    // What a failed statement left buffered is dropped with it.
  }
  text_.clear();
  line_ = beyond_ = ring_at_ = 0;
}

}  // namespace zorm
