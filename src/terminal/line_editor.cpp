// Line editing at the terminal through libedit's wide-character interface:
// the glue between the editor and completion, history and the signals. This
// is the only file that includes the editor's header.
//
// The editor reads its keys through next_key() below, which takes the bytes
// from the terminal itself (so that every byte reaches the line, see
// editor_text.h), makes each of the terminal's escape sequences one key (see
// terminal_keys.h) and turns signals into keys bound to the editor functions
// that act on them, so that they are handled between two keys with the
// editor's state whole, never inside a signal handler.
//
// zorm's keys are bound in every key map before the user's settings file is
// read and again after it, since a "bind -e" or "bind -v" there sets up the
// maps afresh; the file's own bindings of those keys are then made again, so
// that they win.
#include "terminal/line_editor.h"

#include <histedit.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>

#include "core/evaluator.h"
#include "report/reporter.h"
#include "terminal/completion.h"
#include "terminal/editor_settings.h"
#include "terminal/editor_text.h"
#include "terminal/history.h"
#include "terminal/line_undo.h"
#include "terminal/number_lexeme.h"
#include "terminal/signals.h"
#include "terminal/terminal_keys.h"

namespace zorm {

namespace {

// Keys that stand for signals: Ctrl-C's own byte (which cancels the line
// also when the terminal sends it as a key), and keys that the terminal
// never sends.
enum SignalKey { kCancel, kSuspend, kRedraw, kResize };
constexpr wchar_t kSignalKeys[] = {0x03, key_char(EditorKey::suspend), key_char(EditorKey::redraw),
                                   key_char(EditorKey::resize)};  // SIGINT, SIGTSTP, SIGCONT, SIGWINCH

// How long a lone ESC waits for the rest of a sequence before it counts as
// the ESC key: the terminal sends a sequence's bytes together.
constexpr int kEscapeWaitMs = 50;

// Past this many choices, completion asks before it lists them.
constexpr std::size_t kListingQuestionAbove = 100;

// zorm's key bindings, in every key map: the key's characters and the
// editor function.
struct KeyBinding {
  std::wstring key;
  const wchar_t* function;
};

std::vector<KeyBinding> zorm_bindings() {
  auto named = [](EditorKey k) { return std::wstring(1, key_char(k)); };
  return {
      {L"\t", L"zorm-complete"},
      {L"\x04", L"zorm-end-or-delete"},
      {std::wstring(1, kSignalKeys[kCancel]), L"zorm-cancel-line"},
      {named(EditorKey::suspend), L"zorm-suspend"},
      {named(EditorKey::redraw), L"zorm-redraw"},
      {named(EditorKey::resize), L"zorm-resize"},
      {named(EditorKey::paste), L"zorm-paste"},
      {named(EditorKey::last_result), L"zorm-last-result"},
      {L"\x1f", L"zorm-undo"},                   // Ctrl-_
      {L"\x12", L"em-inc-search-prev"},          // Ctrl-R
      {L"\x15", L"vi-kill-line-prev"},           // Ctrl-U: from the cursor back to the start
      {L"\x19", L"em-yank"},                     // Ctrl-Y
      {named(EditorKey::up), L"ed-prev-history"},
      {named(EditorKey::down), L"ed-next-history"},
      {named(EditorKey::right), L"ed-next-char"},
      {named(EditorKey::left), L"ed-prev-char"},
      {named(EditorKey::home), L"ed-move-to-beg"},
      {named(EditorKey::end), L"ed-move-to-end"},
      {named(EditorKey::delete_char), L"ed-delete-next-char"},
      {named(EditorKey::insert), L"ed-quoted-insert"},
      {named(EditorKey::word_right), L"em-next-word"},
      {named(EditorKey::word_left), L"ed-prev-word"},
      {named(EditorKey::delete_word_forward), L"em-delete-next-word"},
  };
}

}  // namespace

class LineEditInput::Editor {
 public:
  Editor(const VarTable* vars, Streams* io, const Evaluator* core);
  ~Editor() { pastes_allowed(false); }
  Editor(const Editor&) = delete;
  Editor& operator=(const Editor&) = delete;

  // The next line entered, as its bytes without the line feed; none at the
  // end of input. A failed read raises IoError.
  std::optional<std::string> read_line();

 private:
  static Editor& of(EditLine* el) {
    void* self = nullptr;
    el_wget(el, EL_CLIENTDATA, &self);
    return *static_cast<Editor*>(self);
  }
  // No exception may cross the editor's C code: a failure to allocate ends
  // the read (and the run, as a failed read) or the completion.
  static int read_key(EditLine* el, wchar_t* key) {
    try {
      return of(el).next_key(el, key);
    } catch (const std::exception&) {
      of(el).read_error_ = ENOMEM;
      return -1;
    }
  }
  static wchar_t* no_prompt(EditLine*) { return const_cast<wchar_t*>(L""); }
  // The terminal gets its modes back, if a failed read left it in the
  // editor's, without the flush of unread input that el_end would do: what
  // was typed ahead of the line that ended the run is for the next program.
  static void end_editor(EditLine* el) {
    el_wset(el, EL_PREP_TERM, 0);
    el_wset(el, EL_EDITMODE, 0);
    el_end(el);
  }
  static unsigned char complete_fn(EditLine* el, int) {
    try {
      return of(el).complete(el);
    } catch (const std::exception&) {
      return CC_ERROR;
    }
  }
  static unsigned char end_or_delete_fn(EditLine* el, int);
  static unsigned char cancel_fn(EditLine* el, int) { return of(el).cancel(el); }
  static unsigned char suspend_fn(EditLine* el, int) { return of(el).suspend(el); }
  static unsigned char redraw_fn(EditLine* el, int) { return of(el).redraw(el); }
  static unsigned char resize_fn(EditLine* el, int) { return of(el).resize(el); }
  template <unsigned char (Editor::*fn)(EditLine*)>
  static unsigned char guarded(EditLine* el, int) {
    try {
      return (of(el).*fn)(el);
    } catch (const std::exception&) {
      return CC_ERROR;
    }
  }

  void start_terminal();
  void bind_zorm_keys();
  void read_settings();
  void load_history();
  void remember(const std::string& line, std::wstring_view chars);
  void history_failed(int error);
  int next_key(EditLine* el, wchar_t* key);
  unsigned char complete(EditLine* el);
  unsigned char cancel(EditLine* el);
  unsigned char suspend(EditLine* el);
  unsigned char redraw(EditLine* el);
  unsigned char resize(EditLine* el);
  unsigned char paste(EditLine* el);
  unsigned char last_result(EditLine* el);
  unsigned char undo(EditLine* el);
  bool answer_yes(EditLine* el);
  void write_listing(const std::string& listing);
  void pastes_allowed(bool on);
  void notice(const std::string& text) {
    if (io_ != nullptr) io_->notice(text);
  }

  const VarTable* vars_;
  Streams* io_;
  const Evaluator* core_;
  SignalPlumbing signals_;
  std::unique_ptr<HistoryW, void (*)(HistoryW*)> history_{history_winit(), history_wend};
  // Ended first: see end_editor.
  std::unique_ptr<EditLine, void (*)(EditLine*)> el_{nullptr, end_editor};
  std::optional<HistoryFile> file_;
  bool history_noticed_ = false;
  std::string last_;  // the last entry of the history
  KeyDecoder decoder_;
  std::wstring keys_;           // decoded keys not yet handed to the editor
  std::size_t next_ = 0;        // the next of them
  std::string tab_state_;       // the line where a Tab found only choices
  bool cancelled_ = false;
  // How many more times each signal key is offered: a second time in case a
  // key sequence being read (after ESC) swallowed the first, until the
  // function bound to it runs.
  int offers_[std::size(kSignalKeys)] = {};
  int read_error_ = 0;
  std::vector<KeyBinding> bindings_ = zorm_bindings();
  // The lines of a paste still to be entered, each but the last ending in a
  // line end; the paste key is offered while there are some.
  std::deque<std::string> pasted_;
  bool offer_paste_ = false;
  LineUndo undo_;
  bool terminal_known_ = false;  // a terminal type that takes escape sequences
  bool pastes_on_ = false;
  int columns_ = 80;  // the screen's width as the line was drawn
};

LineEditInput::Editor::Editor(const VarTable* vars, Streams* io, const Evaluator* core)
    : vars_(vars), io_(io), core_(core) {
  select_editor_ctype();  // before the editor reads which characters print
  start_terminal();
  if (!el_ || !history_) throw IoError(ENOMEM);
  EditLine* el = el_.get();
  HistEventW ev;
  history_w(history_.get(), &ev, H_SETSIZE, static_cast<int>(kHistoryKept));
  el_wset(el, EL_CLIENTDATA, this);
  el_wset(el, EL_EDITOR, L"emacs");
  el_wset(el, EL_SIGNAL, 0);  // signals come in as keys instead, see next_key
  el_wset(el, EL_PROMPT, no_prompt);
  el_wset(el, EL_HIST, history_w, history_.get());
  el_wset(el, EL_GETCFN, read_key);

  el_wset(el, EL_ADDFN, L"zorm-complete", L"Complete the name before the cursor", complete_fn);
  el_wset(el, EL_ADDFN, L"zorm-end-or-delete", L"End of input on an empty line, else delete",
          end_or_delete_fn);
  el_wset(el, EL_ADDFN, L"zorm-cancel-line", L"Cancel the line being typed", cancel_fn);
  el_wset(el, EL_ADDFN, L"zorm-suspend", L"Suspend when something can resume", suspend_fn);
  el_wset(el, EL_ADDFN, L"zorm-redraw", L"Take the terminal back and redraw", redraw_fn);
  el_wset(el, EL_ADDFN, L"zorm-resize", L"Draw the line again at the window's new size", resize_fn);
  el_wset(el, EL_ADDFN, L"zorm-paste", L"Insert pasted text, entering its lines",
          guarded<&Editor::paste>);
  el_wset(el, EL_ADDFN, L"zorm-last-result", L"Insert the last result as a number",
          guarded<&Editor::last_result>);
  el_wset(el, EL_ADDFN, L"zorm-undo", L"Undo the last change to the line", guarded<&Editor::undo>);
  bind_zorm_keys();
  read_settings();
  load_history();
  el_get(el, EL_GETTC, "co", &columns_, nullptr);
}

// The editor's messages while it starts (an unknown terminal type) go to a
// buffer, and become one notice of zorm's own.
void LineEditInput::Editor::start_terminal() {
  char* said = nullptr;
  std::size_t said_size = 0;
  FILE* errors = ::open_memstream(&said, &said_size);
  el_.reset(el_init("zorm", stdin, stdout, errors != nullptr ? errors : stderr));
  bool complained = false;
  if (errors != nullptr) {
    if (el_) el_wset(el_.get(), EL_SETFP, 2, stderr);
    std::fclose(errors);
    complained = said_size > 0;
    std::free(said);
  }
  const char* term = std::getenv("TERM");
  if (complained)
    notice(std::string("{Unknown terminal type `") + (term != nullptr ? term : "") +
           "': editing as on a dumb terminal}");
  terminal_known_ = !complained && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

void LineEditInput::Editor::bind_zorm_keys() {
  EditLine* el = el_.get();
  for (const KeyBinding& b : bindings_) {
    el_wset(el, EL_BIND, b.key.c_str(), b.function, nullptr);
    el_wset(el, EL_BIND, L"-a", b.key.c_str(), b.function, nullptr);  // vi's command mode
  }
}

// The user's settings, read line by line as the editor reads its settings
// file; then zorm's keys again, and the file's own bindings of them.
void LineEditInput::Editor::read_settings() {
  const std::optional<std::string> path = editor_settings_path(std::getenv("EDITRC"), std::getenv("HOME"));
  if (!path) return;
  const SettingsFile file = read_editor_settings(*path);
  if (!file.notice.empty()) notice(file.notice);
  if (!file.text) return;
  EditLine* el = el_.get();
  std::unique_ptr<TokenizerW, void (*)(TokenizerW*)> tokenizer{tok_winit(nullptr), tok_wend};
  if (!tokenizer) throw IoError(ENOMEM);
  struct Bind {
    std::vector<std::wstring> words;
    BindCommand command;
  };
  std::vector<Bind> binds;  // since the last reset of the maps
  for (const std::wstring& line : settings_lines(*file.text)) {
    int argc = 0;
    const wchar_t** argv = nullptr;
    tok_wreset(tokenizer.get());
    tok_wstr(tokenizer.get(), line.c_str(), &argc, &argv);
    std::vector<std::wstring> words(argv, argv + std::max(argc, 0));
    const BindCommand command = bind_command(words, L"zorm");
    if (el_wparse(el, argc, argv) == -1) break;  // where the editor stops too
    if (command.kind == BindCommand::Kind::reset) binds.clear();
    if (command.kind == BindCommand::Kind::binding) binds.push_back({std::move(words), command});
  }
  bind_zorm_keys();
  for (Bind& b : binds) {
    std::wstring& key = b.words[b.command.key];
    std::optional<std::wstring> chars;
    if (b.command.by_name) {
      if (std::optional<EditorKey> k = key_of_name(key)) chars = std::wstring(1, key_char(*k));
    } else {
      chars = parse_key_notation(key);
    }
    if (!chars || chars->empty()) continue;
    if (chars->size() > 1 && (*chars)[0] == 0x1b) {
      // A sequence: the key it is, or one to give the editor as it comes.
      KeyDecoder decoder;
      std::wstring keys;
      for (wchar_t c : *chars) decoder.push(static_cast<unsigned char>(c < 0x80 ? c : 0xFF), keys);
      if (keys.size() == 1 && keys[0] >= 0x80) {
        *chars = keys;
      } else {
        decoder_.pass_through(encode_chars(*chars));
        continue;
      }
    }
    if (std::none_of(bindings_.begin(), bindings_.end(), [&](const KeyBinding& z) { return z.key == *chars; }))
      continue;  // bound by the file alone, and so still as it left it
    key = *chars;
    if (b.command.by_name) {
      const auto options_end = b.words.begin() + static_cast<std::ptrdiff_t>(b.command.key);
      const auto by_name = std::find(b.words.begin() + 1, options_end, L"-k");
      if (by_name == options_end) continue;
      b.words.erase(by_name);
    }
    std::vector<const wchar_t*> argv;
    for (const std::wstring& w : b.words) argv.push_back(w.c_str());
    argv.push_back(nullptr);
    el_wparse(el, static_cast<int>(b.words.size()), argv.data());
  }
}

void LineEditInput::Editor::history_failed(int error) {
  if (history_noticed_) return;
  history_noticed_ = true;
  if (io_ != nullptr) io_->notice(history_notice(file_->path(), error));
}

void LineEditInput::Editor::load_history() {
  const char* state_home = std::getenv("XDG_STATE_HOME");
  std::optional<HistoryPlace> place = history_path(state_home, std::getenv("HOME"));
  if (!place) {
    if (!history_declined(state_home) && io_ != nullptr) io_->notice(kNoHomeNotice);
    return;
  }
  file_.emplace(std::move(*place));
  std::vector<std::string> entries;
  if (int e = file_->load(entries)) history_failed(e);
  HistEventW ev;
  for (const std::string& entry : entries)
    history_w(history_.get(), &ev, H_ENTER, decode_bytes(entry).c_str());
  if (!entries.empty()) last_ = entries.back();
}

// Each line goes into the history as it is entered, so that a session ended
// by a signal keeps what was typed.
void LineEditInput::Editor::remember(const std::string& line, std::wstring_view chars) {
  if (!worth_keeping(line) || line == last_) return;
  last_ = line;
  HistEventW ev;
  history_w(history_.get(), &ev, H_ENTER, std::wstring(chars).c_str());
  if (file_)
    if (int e = file_->append(line)) history_failed(e);
}

std::optional<std::string> LineEditInput::Editor::read_line() {
  for (;;) {
    cancelled_ = false;
    read_error_ = 0;
    undo_.clear();
    offer_paste_ = !pasted_.empty();
    int count = 0;
    pastes_allowed(true);
    const wchar_t* chars = el_wgets(el_.get(), &count);
    pastes_allowed(false);
    if (chars == nullptr || count <= 0) {
      if (read_error_ != 0) throw IoError(read_error_);
      return std::nullopt;
    }
    if (cancelled_) continue;
    std::wstring_view line(chars, static_cast<std::size_t>(count));
    if (!line.empty() && line.back() == L'\n') line.remove_suffix(1);
    std::string bytes = encode_chars(line);
    remember(bytes, line);
    return bytes;
  }
}

// The editor's source of keys: decoded bytes from the terminal, and the keys
// of the signals noted meanwhile, which come first.
int LineEditInput::Editor::next_key(EditLine* el, wchar_t* key) {
  const LineInfoW* line = el_wline(el);
  undo_.observe(std::wstring_view(line->buffer, static_cast<std::size_t>(line->lastchar - line->buffer)),
                static_cast<std::size_t>(line->cursor - line->buffer));
  for (;;) {
    if (take_noted(SIGINT)) {
      // Like the terminal, which drops what was typed ahead at Ctrl-C; the
      // rest of a paste goes too.
      keys_.clear();
      next_ = 0;
      decoder_.reset();
      pasted_.clear();
      offer_paste_ = false;
      offers_[kCancel] = 2;
    }
    if (take_noted(SIGTSTP)) offers_[kSuspend] = 2;
    if (take_noted(SIGCONT)) offers_[kRedraw] = 2;
    if (take_noted(SIGWINCH)) offers_[kResize] = 2;
    for (std::size_t i = 0; i < std::size(kSignalKeys); ++i)
      if (offers_[i] > 0) {
        --offers_[i];
        *key = kSignalKeys[i];
        return 1;
      }
    if (offer_paste_) {
      offer_paste_ = false;
      *key = key_char(EditorKey::paste);
      return 1;
    }
    if (next_ < keys_.size()) {
      *key = keys_[next_++];
      if (next_ == keys_.size()) {
        keys_.clear();
        next_ = 0;
      }
      return 1;
    }
    struct pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signals_.wake_fd(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, decoder_.escape_pending() ? kEscapeWaitMs : -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      read_error_ = errno;
      return -1;
    }
    if (ready == 0) {
      decoder_.flush_escape(keys_);
      continue;
    }
    if (fds[1].revents != 0) signals_.drain();
    if (fds[0].revents == 0) continue;
    // One byte at a time, as the editor itself reads: what is typed after a
    // line that ends the run stays with the terminal for the next program.
    unsigned char byte = 0;
    const ssize_t n = ::read(STDIN_FILENO, &byte, 1);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      read_error_ = errno;
      return -1;
    }
    if (n == 0) {
      decoder_.finish(keys_);
      if (keys_.empty()) return 0;
      continue;
    }
    decoder_.push(byte, keys_);
  }
}

// Ctrl-D: on an empty line, the end of input, silently, as the terminal
// itself gives it (the editor's own binding writes "^D" first); otherwise it
// deletes the character under the cursor.
unsigned char LineEditInput::Editor::end_or_delete_fn(EditLine* el, int) {
  const LineInfoW* line = el_wline(el);
  if (line->buffer == line->lastchar) return CC_EOF;
  if (line->cursor == line->lastchar) return CC_NORM;
  el_cursor(el, 1);
  el_wdeletestr(el, 1);
  return CC_REFRESH;
}

// Ctrl-C: the line stays on the screen with "^C" after it, and is not
// evaluated; the next line starts below it.
unsigned char LineEditInput::Editor::cancel(EditLine* el) {
  cancelled_ = true;
  offers_[kCancel] = 0;
  const LineInfoW* line = el_wline(el);
  el_cursor(el, static_cast<int>(line->lastchar - line->cursor));
  el_winsertstr(el, L"^C");
  el_wpush(el, L"\n");  // ends the line through the editor's own newline
  return CC_REFRESH;
}

// Ctrl-Z: the terminal goes back to its modes and the process stops, as it
// would without the editor. Where nothing can resume it (no job control), the
// stop does not happen and the line is simply drawn again.
unsigned char LineEditInput::Editor::suspend(EditLine* el) {
  offers_[kSuspend] = 0;
  pastes_allowed(false);
  el_wset(el, EL_PREP_TERM, 0);
  struct sigaction stop {}, ours {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  if (::sigaction(SIGTSTP, &stop, &ours) == 0) {
    ::raise(SIGTSTP);
    ::sigaction(SIGTSTP, &ours, nullptr);
  }
  take_noted(SIGCONT);  // this redraw covers it
  offers_[kRedraw] = 0;
  el_wset(el, EL_PREP_TERM, 1);
  pastes_allowed(true);
  return CC_REDISPLAY;
}

// After SIGCONT (the process was stopped from outside): the editor's modes
// again, and the line drawn again.
unsigned char LineEditInput::Editor::redraw(EditLine* el) {
  offers_[kRedraw] = 0;
  el_wset(el, EL_PREP_TERM, 0);
  el_wset(el, EL_PREP_TERM, 1);
  return CC_REDISPLAY;
}

// Tab: completes the name before the cursor as far as it is unambiguous (a
// blank after a complete one); where only choices remain, a second Tab lists
// them.
unsigned char LineEditInput::Editor::complete(EditLine* el) {
  const LineInfoW* info = el_wline(el);
  const std::wstring_view before(info->buffer, static_cast<std::size_t>(info->cursor - info->buffer));
  std::size_t start = before.size();
  auto breaks = [](wchar_t c) {
    return c < 0x80 && std::strchr(kWordBreaks, static_cast<int>(c)) != nullptr;
  };
  while (start > 0 && !breaks(before[start - 1])) --start;
  const std::string line = encode_chars(before);
  const std::size_t word_start = encode_chars(before.substr(0, start)).size();
  const std::vector<std::string> matches = completions(line, word_start, line.size(), vars_);
  if (matches.empty()) return CC_REFRESH_BEEP;

  const std::string common = completed_word(matches);
  if (common.size() > line.size() - word_start) {
    tab_state_.clear();
    el_wdeletestr(el, static_cast<int>(before.size() - start));
    el_winsertstr(el, decode_bytes(common).c_str());
    return CC_REFRESH;
  }
  const std::size_t length = static_cast<std::size_t>(info->lastchar - info->buffer);
  std::string state = encode_chars(std::wstring_view(info->buffer, length));
  state += '\0' + std::to_string(before.size());
  if (state != tab_state_) {
    tab_state_ = std::move(state);
    return CC_REFRESH_BEEP;
  }
  if (matches.size() > kListingQuestionAbove) {
    std::fprintf(stdout, "\nDisplay all %zu possibilities? (y or n)", matches.size());
    std::fflush(stdout);
    if (!answer_yes(el)) {
      std::fputs("\n", stdout);
      std::fflush(stdout);
      return CC_REDISPLAY;
    }
  }
  int columns = 80;
  el_get(el, EL_GETTC, "co", &columns, nullptr);
  write_listing(completion_listing(matches, columns));
  return CC_REDISPLAY;
}

// The answer to the question before a long listing: y, Y or a blank list
// the choices, any other key (Ctrl-C included) does not.
bool LineEditInput::Editor::answer_yes(EditLine* el) {
  wchar_t answer = 0;
  if (el_wgetc(el, &answer) != 1) return false;
  if (answer == kSignalKeys[kCancel]) offers_[kCancel] = 0;  // the line stays
  return answer == L'y' || answer == L'Y' || answer == L' ';
}

// The listing goes out a piece at a time, and Ctrl-C stops it between two.
void LineEditInput::Editor::write_listing(const std::string& listing) {
  constexpr std::size_t kPiece = 4096;
  for (std::size_t at = 0; at < listing.size(); at += kPiece) {
    if (take_noted(SIGINT)) {
      std::fputs("\n", stdout);
      break;
    }
    std::fwrite(listing.data() + at, 1, std::min(kPiece, listing.size() - at), stdout);
    std::fflush(stdout);
  }
  std::fflush(stdout);
}

// The window's size changed: the editor learns the new size and draws the
// line again. The terminal has wrapped the line anew at the new width (as
// most do), the editor still counts rows at the old one: from the cursor,
// up to where the line starts now, clear from there, and down to where the
// editor takes the cursor to be, so that it draws the line from its start.
unsigned char LineEditInput::Editor::resize(EditLine* el) {
  offers_[kResize] = 0;
  const LineInfoW* line = el_wline(el);
  const std::wstring_view before(line->buffer, static_cast<std::size_t>(line->cursor - line->buffer));
  const ScreenPlace drawn = cursor_place(before, columns_);
  el_resize(el);
  el_get(el, EL_GETTC, "co", &columns_, nullptr);
  const ScreenPlace now = cursor_place(before, columns_);
  std::string moves = "\r";
  if (now.row > 0) moves += "\x1b[" + std::to_string(now.row) + "A";
  moves += "\x1b[J";
  moves.append(drawn.row, '\n');
  moves += "\r";
  if (drawn.column > 0) moves += "\x1b[" + std::to_string(drawn.column) + "C";
  std::fwrite(moves.data(), 1, moves.size(), stdout);
  std::fflush(stdout);
  return CC_REDISPLAY;
}

// A paste: its text goes into the line at the cursor; at each line end in
// it, the line is entered, and the next line of the paste goes into the
// next line read. Text after the last line end stays in the line, to edit.
unsigned char LineEditInput::Editor::paste(EditLine* el) {
  if (pasted_.empty()) {
    std::vector<std::string> lines = paste_lines(decoder_.take_paste());
    pasted_.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  }
  std::string text = std::move(pasted_.front());
  pasted_.pop_front();
  std::erase(text, '\0');  // the editor's line cannot hold it
  if (!text.empty()) el_winsertstr(el, decode_bytes(text).c_str());
  if (pasted_.empty()) return CC_REFRESH;
  if (pasted_.size() == 1 && pasted_.front().empty()) pasted_.clear();  // it ended with a line end
  el_wpush(el, L"\n");  // entered through the editor's own newline
  return CC_REFRESH;
}

// Alt-.: the last result, as a number that reads back as the same value;
// after a failure, or a result that no number can give, only the bell.
unsigned char LineEditInput::Editor::last_result(EditLine* el) {
  if (core_ == nullptr) return CC_ERROR;
  const std::optional<std::string> text = number_lexeme(core_->last_result());
  if (!text) return CC_ERROR;
  el_winsertstr(el, decode_bytes(*text).c_str());
  return CC_REFRESH;
}

// Ctrl-_: the line as it was before its last change.
unsigned char LineEditInput::Editor::undo(EditLine* el) {
  const std::optional<LineUndo::State> state = undo_.undo();
  if (!state) return CC_ERROR;
  const LineInfoW* line = el_wline(el);
  el_cursor(el, static_cast<int>(line->lastchar - line->cursor));
  el_wdeletestr(el, static_cast<int>(line->lastchar - line->buffer));
  if (!state->text.empty()) el_winsertstr(el, state->text.c_str());
  el_cursor(el, static_cast<int>(state->cursor) - static_cast<int>(state->text.size()));
  return CC_REFRESH;
}

// The terminal marks pasted text while a line is read, where it takes
// escape sequences.
void LineEditInput::Editor::pastes_allowed(bool on) {
  if (!terminal_known_ || on == pastes_on_) return;
  pastes_on_ = on;
  const std::string_view request = on ? KeyDecoder::kPasteOn : KeyDecoder::kPasteOff;
  std::fwrite(request.data(), 1, request.size(), stdout);
  std::fflush(stdout);
  set_terminal_restore(on ? KeyDecoder::kPasteOff.data() : "");
}

LineEditInput::LineEditInput() = default;
LineEditInput::~LineEditInput() = default;

std::size_t LineEditInput::read_some(char* data, std::size_t size) {
  if (pos_ == pending_.size()) {
    if (eof_) return 0;
    if (!editor_) editor_ = std::make_unique<Editor>(vars_, io_, core_);
    std::optional<std::string> line = editor_->read_line();
    if (!line) {
      eof_ = true;
      return 0;
    }
    pending_ = std::move(*line);
    pending_.push_back('\n');
    pos_ = 0;
  }
  const std::size_t n = std::min(size, pending_.size() - pos_);
  std::memcpy(data, pending_.data() + pos_, n);
  pos_ += n;
  return n;
}

}  // namespace zorm
