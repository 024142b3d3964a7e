// Buffered byte streams for the session.
#include "util/io.h"

#include <unistd.h>

#include <algorithm>

namespace zorm {

FdOutput::~FdOutput() {
  try {
    flush();
  } catch (const IoError&) {
    // The owner flushes before it goes away and reports failures there.
  }
}

void FdOutput::sink(const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw IoError(errno, "write");
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

std::size_t FdInput::read_some(char* data, std::size_t size) {
  for (;;) {
    ssize_t n = ::read(fd_, data, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) throw IoError(errno, "read");
  }
}

bool LineReader::next(std::string_view& line) {
  constexpr std::size_t kBlock = 1 << 16;
  for (;;) {
    const char* base = buf_.data();
    // The buffer is still unallocated (null) before the first read.
    const std::size_t unscanned = end_ - begin_ - scanned_;
    const void* nl = unscanned == 0 ? nullptr : std::memchr(base + begin_ + scanned_, '\n', unscanned);
    if (nl != nullptr) {
      std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nl) - base);
      line = std::string_view(base + begin_, at - begin_);
      begin_ = at + 1;
      scanned_ = 0;
      return true;
    }
    scanned_ = end_ - begin_;
    if (eof_) {
      if (begin_ == end_) return false;
      line = std::string_view(base + begin_, end_ - begin_);
      begin_ = end_;
      scanned_ = 0;
      return true;
    }
    // Make room: drop consumed bytes, then grow so that a block fits.
    if (begin_ > 0) {
      std::copy(buf_.begin() + static_cast<std::ptrdiff_t>(begin_),
                buf_.begin() + static_cast<std::ptrdiff_t>(end_), buf_.begin());
      end_ -= begin_;
      begin_ = 0;
    }
    if (buf_.size() - end_ < kBlock) {
      // A long line: room for four times more is reserved ahead (address
      // space only, until it is used), so that the buffer is seldom copied.
      const std::size_t size = std::max(buf_.size() * 2, end_ + kBlock);
      if (buf_.capacity() < size) buf_.reserve(size * 4);
      buf_.resize(size);
    }
    if (before_read_) before_read_();
    std::size_t n = in_.read_some(buf_.data() + end_, buf_.size() - end_);
    if (n == 0)
      eof_ = true;
    else
      end_ += n;
  }
}

}  // namespace zorm
