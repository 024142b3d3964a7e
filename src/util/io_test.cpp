// The line reader over an input that hands out odd-sized pieces: long lines
// (which move its buffer from the heap to a mapping) between short ones
// (after which it shrinks back) come out whole and in order. An output whose
// failed writes are dropped.
#include "util/io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace zorm {
namespace {

// Reads of 1 to 300,000 bytes, whatever room the reader offers.
class PieceInput final : public Input {
 public:
  explicit PieceInput(std::string text) : text_(std::move(text)) {}
  std::size_t read_some(char* data, std::size_t size) override {
    std::size_t n = std::min({size, text_.size() - pos_, static_cast<std::size_t>(1 + rng_() % 300'000)});
    text_.copy(data, n, pos_);
    pos_ += n;
    return n;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
  std::mt19937 rng_{3};
};

TEST(LineReader, LongLinesBetweenShortOnes) {
  std::vector<std::string> lines;
  for (std::size_t size : {0, 3, 3 << 20, 1, 0, 5 << 19, 7, 1 << 16, 2, 9 << 20, 4}) {
    // Each line its own letter, with a mark in its middle.
    std::string line(size, static_cast<char>('a' + lines.size()));
    if (size > 0) line[size / 2] = '#';
    lines.push_back(line);
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  text += "last, without a line feed";
  lines.emplace_back("last, without a line feed");
  PieceInput in(text);
  int reads = 0;
  LineReader reader(in, [&] { ++reads; });
  PaddedView padded;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ASSERT_TRUE(reader.next(padded)) << i;
    const std::string_view line = padded.text();
    ASSERT_EQ(line.size(), lines[i].size()) << i;
    EXPECT_TRUE(line == lines[i]) << i;
    // The padding: a NUL, then bytes the sanitizer build lets us read.
    EXPECT_EQ(line.data()[line.size()], '\0') << i;
    unsigned sum = 0;
    for (std::size_t k = 0; k < kPadding; ++k) sum += static_cast<unsigned char>(line.data()[line.size() + k]);
    EXPECT_LT(sum, 256 * kPadding);
  }
  EXPECT_FALSE(reader.next(padded));
  EXPECT_GT(reads, 10);
}

// Fails every write until told otherwise, as standard error on a full disk.
class FailingOutput final : public Output {
 public:
  bool failing = true;
  std::string text;

 protected:
  void sink(const char* data, std::size_t size) override {
    if (failing) throw IoError(ENOSPC);
    text.append(data, size);
  }
};

TEST(Output, FailedWritesRaiseOrAreDropped) {
  FailingOutput raising;
  raising.write("a");
  EXPECT_THROW(raising.flush(), IoError);
  FailingOutput dropping;
  dropping.drop_failed_writes();
  dropping.write("lost\n");
  EXPECT_NO_THROW(dropping.flush());
  EXPECT_NO_THROW(dropping.write(std::string(Output::kCapacity + 1, 'x')));  // written past the buffer
  EXPECT_TRUE(dropping.lost());
  dropping.failing = false;
  dropping.write("kept\n");
  dropping.flush();
  EXPECT_EQ(dropping.text, "kept\n") << "what failed is not written again";
  EXPECT_TRUE(dropping.lost());
}

}  // namespace
}  // namespace zorm
