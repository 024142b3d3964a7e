// Buffered byte streams for the session: an output with explicit flush points
// and a line reader over large block reads.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "util/block.h"
#include "util/padded.h"

namespace zorm {

// A failed read or write; what() is the system's error text.
class IoError : public std::exception {
 public:
  explicit IoError(int err) : text_(std::strerror(err)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// An output byte stream. Writes collect in a buffer; flush() hands them on.
// When `interactive` is set, end_line() flushes after every line.
class Output {
 public:
  // The most that room() may be asked for.
  static constexpr std::size_t kCapacity = 1 << 16;

  explicit Output(bool interactive = false) : buf_(new char[kCapacity]), interactive_(interactive) {}
  virtual ~Output() = default;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void write(std::string_view s) {
    if (kCapacity - size_ < s.size()) {
      flush();
      if (s.size() >= kCapacity) {
        deliver(s.data(), s.size());
        return;
      }
    }
    if (s.empty()) return;  // an empty view may have no data to copy from
    std::memcpy(buf_.get() + size_, s.data(), s.size());
    size_ += s.size();
  }
  void put(char c) {
    if (size_ == kCapacity) flush();
    buf_[size_++] = c;
  }
  // Writes `count` copies of c, a buffer at a time.
  void fill(char c, std::size_t count) {
    while (count > 0) {
      if (size_ == kCapacity) flush();
      const std::size_t n = std::min(count, kCapacity - size_);
      std::memset(buf_.get() + size_, c, n);
      size_ += n;
      count -= n;
    }
  }
  // Writes a line feed; flushes when the stream is interactive.
  void end_line() {
    put('\n');
    if (interactive_) flush();
  }
  // Room for `bytes` (at most kCapacity) in the buffer, to be written in
  // place and then added with commit_line(); flushes first when there is less.
  char* room(std::size_t bytes) {
    if (kCapacity - size_ < bytes) flush();
    return buf_.get() + size_;
  }
  // Whether bytes are written that the next flush() hands on.
  bool buffered() const { return size_ != 0; }
  // Adds the first `bytes` of the room and a line feed after them (the room
  // holds bytes + 1), as end_line() does.
  void commit_line(std::size_t bytes) {
    buf_[size_ + bytes] = '\n';
    size_ += bytes + 1;
    if (interactive_) flush();
  }
  // Hands the buffer on. It is emptied also when the sink fails (a failed
  // write is reported once, not retried) and keeps its memory, so that
  // writing never allocates: output and reports still go out when memory has
  // run out.
  void flush() {
    if (size_ == 0) return;
    struct Empty {
      std::size_t& size;
      ~Empty() { size = 0; }
    } empty{size_};
    deliver(buf_.get(), size_);
  }

  // From now on a write that fails is dropped instead of raising IoError
  // (for standard error, whose notices must not end the run): what could
  // not be written is lost, and lost() tells.
  void drop_failed_writes() { drop_failures_ = true; }
  // Whether some write was dropped.
  bool lost() const { return lost_; }

 protected:
  virtual void sink(const char* data, std::size_t size) = 0;

 private:
  void deliver(const char* data, std::size_t size) {
    if (!drop_failures_) {
      sink(data, size);
      return;
    }
    try {
      sink(data, size);
    } catch (const IoError&) {
      lost_ = true;
    }
  }

  std::unique_ptr<char[]> buf_;
  std::size_t size_ = 0;
  bool interactive_;
  bool drop_failures_ = false;
  bool lost_ = false;
};

// Writes all of data to a file descriptor; a failure raises IoError.
void write_fd(int fd, std::string_view data);

// Output to a file descriptor; write failures raise IoError.
class FdOutput final : public Output {
 public:
  FdOutput(int fd, bool interactive) : Output(interactive), fd_(fd) {}
  ~FdOutput() override;

 protected:
  void sink(const char* data, std::size_t size) override;

 private:
  int fd_;
};

// Output collected in memory (tests, embedding).
class StringOutput final : public Output {
 public:
  StringOutput() = default;
  // Also appends everything to `merged`, as a 2>&1 redirection would.
  explicit StringOutput(std::string* merged) : merged_(merged) {}
  ~StringOutput() override { flush(); }
  // Makes room for `bytes` of text (in `merged` too), so that writing up to
  // that much allocates nothing.
  void reserve(std::size_t bytes) {
    text_.reserve(bytes);
    if (merged_) merged_->reserve(bytes);
  }
  const std::string& text() {
    flush();
    return text_;
  }

 protected:
  void sink(const char* data, std::size_t size) override {
    text_.append(data, size);
    if (merged_) merged_->append(data, size);
  }

 private:
  std::string text_;
  std::string* merged_ = nullptr;
};

// An input byte stream: read_some returns 0 at the end, raises IoError on failure.
class Input {
 public:
  virtual ~Input() = default;
  virtual std::size_t read_some(char* data, std::size_t size) = 0;
};

class FdInput final : public Input {
 public:
  explicit FdInput(int fd) : fd_(fd) {}
  std::size_t read_some(char* data, std::size_t size) override;

 private:
  int fd_;
};

class StringInput final : public Input {
 public:
  explicit StringInput(std::string text) : text_(std::move(text)) {}
  std::size_t read_some(char* data, std::size_t size) override {
    std::size_t n = std::min(size, text_.size() - pos_);
    std::memcpy(data, text_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

// Splits an input into lines: a line feed ends a line and is removed, a last
// line without one still counts, every other byte (carriage returns and NULs
// included) stays in the line. Lines are padded views into the reader's
// buffer (the line feed's place takes the NUL), valid until the next call.
// `before_read` runs before every read of the input. The buffer grows with
// the longest line (a line that cannot be held raises std::bad_alloc) and
// shrinks again once such a line has been used.
class LineReader {
 public:
  LineReader(Input& in, std::function<void()> before_read)
      : in_(in), before_read_(std::move(before_read)) {}
  bool next(PaddedView& line);

 private:
  Input& in_;
  std::function<void()> before_read_;
  Block buf_;
  std::size_t begin_ = 0;    // start of the unread bytes
  std::size_t end_ = 0;      // end of the bytes read so far
  std::size_t scanned_ = 0;  // bytes from begin_ known to hold no line feed
  bool eof_ = false;
};

}  // namespace zorm
