// Line editing at the terminal through libedit's readline interface. This is
// the only file that includes the editor's header.
#include "driver/lineedit.h"

#include <editline/readline.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "lexer/mathlexer.h"
#include "parser/commands.h"
#include "parser/vars.h"

namespace zorm {

namespace {

// The words offered outside commands: every fixed lexeme that starts with a
// letter (functions, constants, operators written as words, keywords, the
// upper-case lexemes).
constexpr bool is_word(std::string_view lexeme) {
  const unsigned char first = static_cast<unsigned char>(lexeme[0]);
  return in_class(first, kIdStart) || (first >= 'A' && first <= 'Z');
}

// Every ASCII byte that cannot continue a name (white space, operators,
// brackets, the bytes of no class), from the lexer's byte classes.
struct WordBreaks {
  char bytes[128] = {};
  constexpr WordBreaks() {
    std::size_t n = 0;
    for (int b = 1; b < 128; ++b)
      if (!in_class(static_cast<unsigned char>(b), kIdCont)) bytes[n++] = static_cast<char>(b);
  }
};
constexpr WordBreaks kWordBreakBytes;

bool starts_name(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

const char* const kWordBreaks = kWordBreakBytes.bytes;

std::vector<std::string> completions(std::string_view line, std::size_t start, std::size_t end,
                                     const VarTable* vars) {
  std::string_view word = line.substr(start, end - start);
  std::size_t k = 0;
  while (k < word.size() && !starts_name(word[k])) ++k;
  if (k == word.size() && !word.empty()) return {};  // digits and the like: nothing to name
  const std::string_view kept = word.substr(0, k);
  const std::string_view name = word.substr(k);

  std::vector<std::string> out;
  auto offer = [&](std::string_view candidate) {
    if (candidate.starts_with(name)) out.push_back(std::string(kept).append(candidate));
  };
  if (trim_blanks(line.substr(0, start + k)) == "@") {
    for (const CommandWord& c : kCommands) offer(c.word);
  } else {
    for (const Lexeme& l : kLexemes)
      if (is_word(l.text)) offer(l.text);
    if (vars != nullptr) vars->traverse([&](std::string_view bound, double) { offer(bound); });
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

namespace {

// The editor calls back through plain functions; they reach the reader's
// state through these.
const VarTable* g_vars = nullptr;
std::vector<std::string> g_matches;
std::size_t g_next_match = 0;

char* next_match(const char*, int state) {
  if (state == 0) g_next_match = 0;
  if (g_next_match >= g_matches.size()) return nullptr;
  return strdup(g_matches[g_next_match++].c_str());
}

char** attempt_completion(const char* text, int start, int) {
  rl_attempted_completion_over = 1;  // no fallback to file names
  std::string line;
  if (rl_line_buffer != nullptr && start > 0 &&
      std::strlen(rl_line_buffer) >= static_cast<std::size_t>(start))
    line.assign(rl_line_buffer, static_cast<std::size_t>(start));
  const std::size_t word_start = line.size();
  line.append(text);
  g_matches = completions(line, word_start, line.size(), g_vars);
  if (g_matches.empty()) return nullptr;
  return rl_completion_matches(text, next_match);
}

// Ctrl-D: on an empty line, the end of input, silently, as the terminal
// itself gives it (the editor's own binding writes "^D" first); otherwise it
// deletes the byte under the cursor.
int end_or_delete(int, int) {
  if (rl_end == 0)
    rl_done = 1;
  else if (rl_point < rl_end)
    rl_delete_text(rl_point, rl_point + 1);
  return 0;
}

}  // namespace

LineEditInput::~LineEditInput() {
  if (started_) clear_history();
}

void LineEditInput::start_editor() {
  started_ = true;
  rl_readline_name = "zorm";
  rl_basic_word_break_characters = kWordBreaks;
  rl_completer_word_break_characters = const_cast<char*>(kWordBreaks);
  rl_attempted_completion_function = attempt_completion;
  rl_initialize();
  rl_add_defun("zorm-end-or-delete", end_or_delete, 4);
  using_history();
}

std::size_t LineEditInput::read_some(char* data, std::size_t size) {
  if (pos_ == pending_.size()) {
    if (eof_) return 0;
    if (!started_) start_editor();
    g_vars = vars_;
    char* line = readline("");
    if (line == nullptr) {
      eof_ = true;
      return 0;
    }
    pending_.assign(line);
    std::free(line);
    if (!pending_.empty() && pending_ != last_) {
      add_history(pending_.c_str());
      last_ = pending_;
    }
    pending_.push_back('\n');
    pos_ = 0;
  }
  const std::size_t n = std::min(size, pending_.size() - pos_);
  std::memcpy(data, pending_.data() + pos_, n);
  pos_ += n;
  return n;
}

}  // namespace zorm
