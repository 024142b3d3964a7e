// Buffered byte streams for the session.
#include "util/io.h"

#include <unistd.h>

namespace zorm {

FdOutput::~FdOutput() {
  try {
    flush();
  } catch (const IoError&) {
    // The owner flushes before it goes away and reports failures there.
  }
}

void write_fd(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw IoError(errno);
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

void FdOutput::sink(const char* data, std::size_t size) { write_fd(fd_, std::string_view(data, size)); }

std::size_t FdInput::read_some(char* data, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(fd_, data, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw IoError(errno);
  }
}

bool LineReader::next(PaddedView& line) {
  constexpr std::size_t kBlock = 1 << 16;
  for (;;) {
    char* base = static_cast<char*>(buf_.data());
    // The buffer is still unallocated (null) before the first read.
    const std::size_t unscanned = end_ - begin_ - scanned_;
    void* nl = unscanned == 0 ? nullptr : std::memchr(base + begin_ + scanned_, '\n', unscanned);
    if (nl != nullptr) {
      std::size_t at = static_cast<std::size_t>(static_cast<char*>(nl) - base);
      // The NUL in the line feed's place, and at least kPadding bytes behind
      // it: the buffer always keeps that much room after the bytes read.
      base[at] = '\0';
      line = PaddedView::trusted(std::string_view(base + begin_, at - begin_));
      begin_ = at + 1;
      scanned_ = 0;
      return true;
    }
    scanned_ = end_ - begin_;
    if (eof_) {
      if (begin_ == end_) return false;
      base[end_] = '\0';
      line = PaddedView::trusted(std::string_view(base + begin_, end_ - begin_));
      begin_ = end_;
      scanned_ = 0;
      return true;
    }
    // Make room: drop consumed bytes, then grow so that a block fits, with
    // the padding after it.
    if (begin_ > 0) {
      std::memmove(base, base + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    // Once a long line has been used, the buffer goes back to about what
    // the bytes still unread need.
    if (buf_.mapped() && buf_.bytes() / 4 > end_ + kBlock) buf_.shrink(2 * (end_ + kBlock), end_);
    if (buf_.bytes() - end_ < kBlock + kPadding) {
      // A long line: the buffer doubles, or grows by a block when memory is
      // too short for that.
      buf_.grow(end_ + kBlock + kPadding, std::max(buf_.bytes() * 2, end_ + kBlock + kPadding), end_);
    }
    if (before_read_) before_read_();
    std::size_t n = in_.read_some(static_cast<char*>(buf_.data()) + end_, buf_.bytes() - end_ - kPadding);
    if (n == 0)
      eof_ = true;
    else
      end_ += n;
    // Defined bytes, so that nothing reads memory never written.
    std::memset(static_cast<char*>(buf_.data()) + end_, 0, kPadding);
  }
}

}  // namespace zorm
