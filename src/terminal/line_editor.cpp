// Line editing at the terminal through libedit's wide-character interface:
// the glue between the editor and completion, history and the signals. This
// is the only file that includes the editor's header.
//
// The editor reads its keys through next_key() below, which takes the bytes
// from the terminal itself (so that every byte reaches the line, see
// editor_text.h) and turns signals into keys bound to the editor functions
// that act on them, so that they are handled between two keys with the
// editor's state whole, never inside a signal handler.
#include "terminal/line_editor.h"

#include <histedit.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "report/reporter.h"
#include "terminal/completion.h"
#include "terminal/editor_text.h"
#include "terminal/history.h"
#include "terminal/signals.h"

namespace zorm {

namespace {

// Keys that stand for signals: Ctrl-C's own byte (which cancels the line
// also when the terminal sends it as a key), and two that the decoder never
// makes out of typed bytes (it escapes the C1 controls).
enum SignalKey { kCancel, kSuspend, kRedraw };
constexpr wchar_t kSignalKeys[] = {0x03, 0x9A, 0x9C};  // SIGINT, SIGTSTP, SIGCONT

}  // namespace

class LineEditInput::Editor {
 public:
  Editor(const VarTable* vars, Streams* io);
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

  void load_history();
  void remember(const std::string& line, std::wstring_view chars);
  void history_failed(int error);
  int next_key(EditLine* el, wchar_t* key);
  unsigned char complete(EditLine* el);
  unsigned char cancel(EditLine* el);
  unsigned char suspend(EditLine* el);
  unsigned char redraw(EditLine* el);

  const VarTable* vars_;
  Streams* io_;
  SignalPlumbing signals_;
  std::unique_ptr<HistoryW, void (*)(HistoryW*)> history_{history_winit(), history_wend};
  // Ended first: see end_editor.
  std::unique_ptr<EditLine, void (*)(EditLine*)> el_{nullptr, end_editor};
  std::optional<HistoryFile> file_;
  bool history_noticed_ = false;
  std::string last_;  // the last entry of the history
  ByteDecoder decoder_;
  std::wstring keys_;           // decoded keys not yet handed to the editor
  std::size_t next_ = 0;        // the next of them
  std::string tab_state_;       // the line where a Tab found only choices
  bool cancelled_ = false;
  // How many more times each signal key is offered: a second time in case a
  // key sequence being read (after ESC) swallowed the first, until the
  // function bound to it runs.
  int offers_[std::size(kSignalKeys)] = {};
  int read_error_ = 0;
};

LineEditInput::Editor::Editor(const VarTable* vars, Streams* io) : vars_(vars), io_(io) {
  select_editor_ctype();  // before the editor reads which characters print
  el_.reset(el_init("zorm", stdin, stdout, stderr));
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
  const wchar_t cancel[] = {kSignalKeys[kCancel], 0}, suspend[] = {kSignalKeys[kSuspend], 0},
                redraw[] = {kSignalKeys[kRedraw], 0};
  const struct {
    const wchar_t* key;
    const wchar_t* fn;
  } bindings[] = {
      {L"^I", L"zorm-complete"},
      {L"^D", L"zorm-end-or-delete"},
      {cancel, L"zorm-cancel-line"},
      {suspend, L"zorm-suspend"},
      {redraw, L"zorm-redraw"},
      {L"^R", L"em-inc-search-prev"},
      {L"\\e[1~", L"ed-move-to-beg"},  // Home and End
      {L"\\e[4~", L"ed-move-to-end"},
      {L"\\e[7~", L"ed-move-to-beg"},
      {L"\\e[8~", L"ed-move-to-end"},
      {L"\\e[H", L"ed-move-to-beg"},
      {L"\\e[F", L"ed-move-to-end"},
      {L"\\e[3~", L"ed-delete-next-char"},  // Delete and Insert
      {L"\\e[2~", L"ed-quoted-insert"},
      {L"\\e[1;5C", L"em-next-word"},  // Ctrl-Right and Ctrl-Left
      {L"\\e[1;5D", L"ed-prev-word"},
      {L"\\e[5C", L"em-next-word"},
      {L"\\e[5D", L"ed-prev-word"},
  };
  for (const auto& b : bindings) el_wset(el, EL_BIND, b.key, b.fn, nullptr);
  el_source(el, nullptr);  // the user's own settings, from $EDITRC or ~/.editrc
  load_history();
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
    int count = 0;
    const wchar_t* chars = el_wgets(el_.get(), &count);
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
  for (;;) {
    if (take_noted(SIGINT)) {
      // Like the terminal, which drops what was typed ahead at Ctrl-C.
      keys_.clear();
      next_ = 0;
      decoder_.reset();
      offers_[kCancel] = 2;
    }
    if (take_noted(SIGTSTP)) offers_[kSuspend] = 2;
    if (take_noted(SIGCONT)) offers_[kRedraw] = 2;
    if (take_noted(SIGWINCH)) el_resize(el);
    for (std::size_t i = 0; i < std::size(kSignalKeys); ++i)
      if (offers_[i] > 0) {
        --offers_[i];
        *key = kSignalKeys[i];
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
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      read_error_ = errno;
      return -1;
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
  int columns = 80;
  el_get(el, EL_GETTC, "co", &columns, nullptr);
  const std::string listing = completion_listing(matches, columns);
  std::fwrite(listing.data(), 1, listing.size(), stdout);
  std::fflush(stdout);
  return CC_REDISPLAY;
}

LineEditInput::LineEditInput() = default;
LineEditInput::~LineEditInput() = default;

std::size_t LineEditInput::read_some(char* data, std::size_t size) {
  if (pos_ == pending_.size()) {
    if (eof_) return 0;
    if (!editor_) editor_ = std::make_unique<Editor>(vars_, io_);
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
