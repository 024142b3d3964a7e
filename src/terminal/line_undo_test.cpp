// Undo steps made from the line's states between keys.
#include "terminal/line_undo.h"

#include <gtest/gtest.h>

namespace zorm {
namespace {

TEST(LineUndo, TypingIsOneStepOtherChangesOneEach) {
  LineUndo undo;
  for (std::wstring_view line : {L"", L"1", L"1+", L"1+2"}) undo.observe(line, line.size());
  undo.observe(L"1+2", 0);   // moving ends the run
  undo.observe(L"91+2", 1);  // typed elsewhere: a step
  undo.observe(L"", 0);      // a kill: a step
  EXPECT_EQ(undo.undo(), (LineUndo::State{L"91+2", 1}));
  EXPECT_EQ(undo.undo(), (LineUndo::State{L"1+2", 0}));
  EXPECT_EQ(undo.undo(), (LineUndo::State{L"", 0}));
  EXPECT_EQ(undo.undo(), std::nullopt);
  undo.observe(L"", 0);  // the line as undo left it: nothing new
  EXPECT_EQ(undo.undo(), std::nullopt);
}

TEST(LineUndo, KeepsTheLastSteps) {
  LineUndo undo;
  for (std::size_t i = 0; i <= LineUndo::kSteps + 5; ++i) undo.observe(std::wstring(i % 2 ? 1 : 3, L'x'), 0);
  std::size_t steps = 0;
  while (undo.undo()) ++steps;
  EXPECT_EQ(steps, LineUndo::kSteps);
  undo.observe(L"a", 1);
  undo.clear();
  EXPECT_EQ(undo.undo(), std::nullopt);
}

}  // namespace
}  // namespace zorm
