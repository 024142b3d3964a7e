// Line editing for a person at a terminal: standard input read through the
// line editor (cursor movement, history kept across runs, completion of
// names, Ctrl-C to cancel a line). Built only with ZORM_HAVE_LIBEDIT; main
// uses it when standard input and standard output are both terminals, and
// plain reading otherwise.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "util/io.h"

namespace zorm {

class Evaluator;
class Streams;
class VarTable;

// Standard input through the line editor. Each line entered is delivered as
// exactly the bytes typed, and a line feed; the end of input (Ctrl-D on an
// empty line) as the end of the stream. No prompt is written. The editor is
// set up at the first read, so a run that never reads standard input never
// touches the terminal, the signals or the history file.
//
// While it runs, Ctrl-C cancels the line being typed, Ctrl-Z suspends the
// process when a shell with job control can resume it (and else changes
// nothing), a change of the window's size draws the line again, and the
// terminal's modes are restored before SIGHUP, SIGTERM or SIGQUIT end the
// process. Signals ignored at the start stay ignored. A block of lines pasted
// is entered line by line, as if typed.
class LineEditInput final : public Input {
 public:
  LineEditInput();
  ~LineEditInput() override;
  LineEditInput(const LineEditInput&) = delete;
  LineEditInput& operator=(const LineEditInput&) = delete;

  // Completion also offers the names bound in `vars` (may be null).
  void complete_names_from(const VarTable* vars) { vars_ = vars; }
  // Where the editor's notices go (an unusable history or settings file, an
  // unknown terminal type; may be null: none).
  void notices_to(Streams* io) { io_ = io; }
  // Alt-. inserts the last result of `core` (may be null: none).
  void results_from(const Evaluator* core) { core_ = core; }

  std::size_t read_some(char* data, std::size_t size) override;

 private:
  class Editor;  // the editor's state, in the one file that sees its header

  const VarTable* vars_ = nullptr;
  Streams* io_ = nullptr;
  const Evaluator* core_ = nullptr;
  std::unique_ptr<Editor> editor_;
  std::string pending_;  // the current line and its line feed
  std::size_t pos_ = 0;  // bytes of pending_ already delivered
  bool eof_ = false;
};

}  // namespace zorm
