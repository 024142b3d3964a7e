#include "util/padded.h"

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "support/failing_allocations.h"

namespace zorm {
namespace {

// The text, then a NUL and the rest of the padding.
void expect_padded(const PaddedString& copy, std::string_view text) {
  const std::string_view t = copy.view().text();
  EXPECT_EQ(t, text);
  for (std::size_t i = 0; i < kPadding; ++i) EXPECT_EQ(t.data()[t.size() + i], '\0') << "padding byte " << i;
}

TEST(PaddedString, CopiesGrowShrinkAndAlias) {
  PaddedString copy;
  EXPECT_TRUE(copy.view().text().empty());
  expect_padded(copy, "");
  copy.assign("1+2*3");
  expect_padded(copy, "1+2*3");
  const std::string longer(10000, '7');
  copy.assign(longer);  // grows
  expect_padded(copy, longer);
  copy.assign("4");  // keeps the memory; the old bytes after the text are padding again
  expect_padded(copy, "4");
  copy.assign("");
  expect_padded(copy, "");
  // Text that lies in the copy itself, in place and when the copy grows.
  copy.assign("(1+2)*3");
  copy.assign(copy.view().text().substr(1, 3));
  expect_padded(copy, "1+2");
  PaddedString small("abc");
  small.assign(small.view().text());
  expect_padded(small, "abc");
}

TEST(PaddedString, ReserveKeepsTextAndAssigningWithinItAllocatesNothing) {
  PaddedString copy("sqrt(2)");
  copy.reserve(5000);
  expect_padded(copy, "sqrt(2)");
  const std::string big(5000, '9');
  testing::FailingAllocations none;
  copy.assign(big);
  expect_padded(copy, big);
  EXPECT_EQ(none.refused(), 0u);
}

TEST(PaddedString, FailedGrowthLeavesTheCopyEmpty) {
  PaddedString copy("1+1");
  const std::string big(100000, '1');
  {
    testing::FailingAllocations none;
    EXPECT_THROW(copy.assign(big), std::bad_alloc);
    EXPECT_EQ(none.refused(), 1u);
  }
  expect_padded(copy, "");
  copy.assign("2+2");  // usable again
  expect_padded(copy, "2+2");
}

}  // namespace
}  // namespace zorm
