// The keys a terminal sends, as the line editor's characters: text through
// ByteDecoder, the escape sequences of cursor and editing keys as one
// character each, a bracketed paste as one key with its text beside it.
// Sequences of no key named here are dropped whole, never typed as text.
// No line editor is needed for any of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/editor_text.h"

namespace zorm {

// The keys that reach the editor as characters of their own. Each is a C1
// control (0x80 + its number), which ByteDecoder never makes out of typed
// bytes and which the editor's key map covers, so that each can be bound to
// a function in every map and an incremental search sees it as one key.
enum class EditorKey : std::uint8_t {
  up,
  down,
  right,
  left,
  home,
  end,
  delete_char,
  insert,
  word_right,           // Ctrl-Right, Alt-Right
  word_left,            // Ctrl-Left, Alt-Left
  delete_word_forward,  // Ctrl-Delete, Alt-D
  last_result,          // Alt-.
  paste,                // a bracketed paste: its text from KeyDecoder::take_paste
  // Not sent by the terminal: signals and other events, handled between keys.
  suspend,
  redraw,
  resize,
  count
};

constexpr wchar_t key_char(EditorKey key) { return 0x80 + static_cast<wchar_t>(key); }

// An escape sequence and the key it stands for.
struct KeySequence {
  std::string_view bytes;
  EditorKey key;
};
extern const KeySequence kKeySequences[];

// The key named as the line editor's settings name the terminal's keys
// ("up", "down", "left", "right", "home", "end", "delete", "insert").
std::optional<EditorKey> key_of_name(std::wstring_view name);

// The characters of a key written in the notation of the editor's settings
// file: "^X" a control character ("^?" DEL), "\e" ESC, "\a" "\b" "\f" "\n"
// "\r" "\t" "\v", "\" and up to three octal digits, "\U+" and hex digits,
// "M-x" ESC then x, "\" before any other character that character. None
// when the notation is malformed.
std::optional<std::wstring> parse_key_notation(std::wstring_view notation);

// The terminal's bytes to the editor's characters, one byte at a time.
class KeyDecoder {
 public:
  // Decodes `byte`; appends the keys it completes to `out`.
  void push(unsigned char byte, std::wstring& out);
  // Whether the bytes so far are a lone ESC, which is a key of its own
  // (vi's command mode, a meta prefix) when nothing follows it soon.
  bool escape_pending() const { return state_ == State::escape; }
  // Gives a lone ESC as the ESC key.
  void flush_escape(std::wstring& out);
  // The end of input: an incomplete character as escapes, a lone ESC as ESC.
  void finish(std::wstring& out);
  // Drops what is half read (a cancelled line), pastes not yet taken included.
  void reset();

  // Passes `sequence` (bound to something in the user's settings) to the
  // editor as the characters of its bytes instead of dropping it.
  void pass_through(std::string sequence);

  // The text of the oldest paste whose key has been given and not taken.
  std::string take_paste();

  // The paste markers the terminal is asked to send, and the request.
  static constexpr std::string_view kPasteStart = "\x1b[200~";
  static constexpr std::string_view kPasteEnd = "\x1b[201~";
  static constexpr std::string_view kPasteOn = "\x1b[?2004h";
  static constexpr std::string_view kPasteOff = "\x1b[?2004l";

 private:
  enum class State : std::uint8_t { text, escape, sequence, paste };
  void end_sequence(std::wstring& out);

  State state_ = State::text;
  ByteDecoder text_;
  std::string sequence_;  // the escape sequence read so far, ESC first
  std::string paste_;     // the paste being read, end marker not yet seen
  std::deque<std::string> pastes_;
  std::vector<std::string> passed_;
};

// The lines of a paste: split at every line end (CR, LF or CR LF, which
// terminals send for a line break), the last part (possibly empty) being the
// text after the last line end.
std::vector<std::string> paste_lines(std::string_view paste);

}  // namespace zorm
