// The library's streams: long lines cut in the middle, the same bytes to the
// embedder's stream as into the collection, a collection that runs out of
// memory, a stream that fails.
#include "api/sink.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/failing_allocations.h"

namespace zorm {
namespace {

// A line as the sink keeps it: whole up to `limit` bytes, else its first
// half (rounded up) and last half around the count of the bytes cut.
std::string kept(const std::string& line, std::size_t limit) {
  if (limit == 0 || line.size() <= limit) return line;
  const std::size_t tail = limit / 2, head = limit - tail;
  return line.substr(0, head) + "[" + std::to_string(line.size() - limit) + " bytes cut]" +
         line.substr(line.size() - tail);
}

// A line of distinct bytes, so that a wrong piece shows.
std::string line_of(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

// Every limit against lines around it, written in pieces of every kind (each
// piece handed on by a flush): the ring that keeps a line's end wraps round
// at every offset.
TEST(Sink, CutsLongLinesInTheMiddle) {
  for (std::size_t limit : {0, 1, 2, 7, 16}) {
    for (std::size_t length : {std::size_t{0}, limit, limit + 1, 3 * limit + 5, std::size_t{100}}) {
      for (std::size_t piece : {1, 3, 64, 1000}) {
        const std::string text =
            line_of(length) + "\n" + line_of(length / 2 + 3) + "\nopen " + line_of(length);
        std::ostringstream forward;
        Sink sink(&forward, true, limit, Sink::WhenShort::cut);
        for (std::size_t at = 0; at < text.size(); at += piece) {
          sink.write(std::string_view(text).substr(at, piece));
          sink.flush();
        }
        const std::string want = kept(line_of(length), limit) + "\n" + kept(line_of(length / 2 + 3), limit) +
                                 "\n" + kept("open " + line_of(length), limit);
        std::string got;
        sink.take(got);
        EXPECT_EQ(got, want) << limit << " " << length << " " << piece;
        EXPECT_EQ(forward.str(), want) << limit << " " << length << " " << piece;
        EXPECT_FALSE(sink.forward_failed());
      }
    }
  }
}

// When the collection cannot grow, what it holds stays, and the note ends
// it (in the place of its last bytes when there is no room beside them).
TEST(Sink, OutOfMemorySaysTheCut) {
  Sink sink(nullptr, true, 0, Sink::WhenShort::cut);
  const std::string first = line_of(100) + "\n";
  sink.write(first);
  sink.flush();
  const std::string more = line_of(5000);
  {
    testing::FailingAllocations fail;
    sink.write(more);
    sink.flush();
  }
  std::string got;
  sink.take(got);
  ASSERT_GE(got.size(), Sink::kCutNote.size());
  EXPECT_EQ(got.substr(got.size() - Sink::kCutNote.size()), Sink::kCutNote);
  const std::string before = got.substr(0, got.size() - Sink::kCutNote.size());
  EXPECT_EQ(first.compare(0, before.size(), before), 0) << got;

  // The output's collection raises instead: its statement fails.
  Sink out(nullptr, true, 0, Sink::WhenShort::fail);
  testing::FailingAllocations fail;
  out.write(more);
  EXPECT_THROW(out.flush(), std::bad_alloc);
}

// A stream that throws or fails is noted, gets nothing more until the next
// statement, and the collection goes on; after the reset it is written again.
TEST(Sink, FailingStream) {
  struct Throwing : std::streambuf {
    int_type overflow(int_type) override { throw std::runtime_error("the host's own"); }
    std::streamsize xsputn(const char*, std::streamsize) override {
      throw std::runtime_error("the host's own");
    }
  } throwing;
  std::ostream thrower(&throwing);
  thrower.exceptions(std::ios::badbit);
  std::ostringstream closed;
  closed.setstate(std::ios::failbit);
  for (std::ostream* stream : {&thrower, static_cast<std::ostream*>(&closed)}) {
    Sink sink(stream, true, 0, Sink::WhenShort::cut);
    sink.write("one\n");
    sink.flush();
    EXPECT_TRUE(sink.forward_failed());
    sink.write("two\n");
    std::string got;
    sink.take(got);
    EXPECT_EQ(got, "one\ntwo\n");
    sink.reset();
    EXPECT_FALSE(sink.forward_failed());
  }
  std::ostringstream good;
  Sink sink(&good, false, 0, Sink::WhenShort::fail);
  sink.write("x\n");
  std::string got = "untouched";
  sink.take(got);
  EXPECT_EQ(got, "untouched");
  EXPECT_EQ(good.str(), "x\n");
}

}  // namespace
}  // namespace zorm
