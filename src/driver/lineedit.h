// Line editing for a person at a terminal: standard input read through the
// line editor (cursor movement, history of the session, completion of names).
// Built only with ZORM_HAVE_LIBEDIT; main uses it when standard input and
// standard output are both terminals, and plain reading otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "util/io.h"

namespace zorm {

class VarTable;

// The completions of the word line[start, end) at the cursor (end): the texts
// that may replace it, sorted and without duplicates. The name being completed
// starts at the first letter or "_" of the word, as the lexer reads it, and
// whatever precedes it in the word is kept in every completion ("2*si" ->
// "2*sin", "2*sinh"). Right after a leading "@" the command words are offered;
// elsewhere the function and constant names, the keywords and the names bound
// in `vars` (when given).
std::vector<std::string> completions(std::string_view line, std::size_t start, std::size_t end,
                                     const VarTable* vars);

// The bytes a reader in the line editor treats as ending a word: every byte
// that cannot continue a name.
extern const char* const kWordBreaks;

// Standard input through the line editor. Each line typed is delivered as its
// bytes and a line feed; the end of input (Ctrl-D on an empty line) as the end
// of the stream. No prompt is written. The editor is set up at the first read,
// so a run that never reads standard input never touches it.
class LineEditInput final : public Input {
 public:
  LineEditInput() = default;
  ~LineEditInput() override;
  LineEditInput(const LineEditInput&) = delete;
  LineEditInput& operator=(const LineEditInput&) = delete;

  // Completion also offers the names bound in `vars` (may be null).
  void complete_names_from(const VarTable* vars) { vars_ = vars; }

  std::size_t read_some(char* data, std::size_t size) override;

 private:
  void start_editor();

  const VarTable* vars_ = nullptr;
  std::string pending_;  // the current line and its line feed
  std::size_t pos_ = 0;  // bytes of pending_ already delivered
  std::string last_;     // the last line put into the history
  bool started_ = false;
  bool eof_ = false;
};

}  // namespace zorm
