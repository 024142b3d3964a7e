// Bytes carried through the wide-character line editor unchanged: the editor
// holds characters, the evaluator wants the bytes that were typed, whatever
// they are (valid text of the locale or not).
#pragma once

#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>

namespace zorm {

// The editor's character for a byte from 0x80 up that is not part of a
// character of the locale: kByteEscape + the byte (0xDC80 to 0xDCFF, lone
// surrogates, which no locale decodes a character to).
constexpr wchar_t kByteEscape = 0xDC00;

// Sets the character type (LC_CTYPE, nothing else) from the environment for
// the editor, so that it shows and measures characters as the terminal does.
// The C and POSIX locales, whose character set is ASCII, give way to C.UTF-8
// when it is installed: terminals send UTF-8 nearly always, and bytes that are
// no UTF-8 are carried as escapes all the same. Returns the character set.
std::string select_editor_ctype();

// Turns bytes into the editor's characters, one byte at a time, as the
// locale's character type decodes them: ASCII as itself; a complete character
// of the locale as that character, unless it would not give its own bytes back
// or is a C1 control (which the editor's key map takes for meta keys); every
// other byte as its escape. An incomplete character waits for the next byte.
class ByteDecoder {
 public:
  // Decodes `byte`; appends the characters it completes to `out`.
  void push(unsigned char byte, std::wstring& out);
  // Gives the bytes of an incomplete character as escapes (end of input).
  void finish(std::wstring& out);
  // Drops an incomplete character (the line it belonged to was cancelled).
  void reset() { pending_.clear(); }

 private:
  std::string pending_;  // the bytes of an incomplete character
};

// All of `bytes` as the editor's characters.
std::wstring decode_bytes(std::string_view bytes);

// The bytes of the editor's characters: the inverse of decoding, so that
// encode_chars(decode_bytes(b)) == b for every b. A character the locale cannot
// write (the editor never makes one from typed bytes) gives the byte 0xFF,
// which like every byte from 0x80 up the lexer rejects outside a comment.
std::string encode_chars(std::wstring_view chars);

// Where the editor's cursor stands after drawing `before` (the text up to
// the cursor, without prompt) on a screen of `columns` columns: its row,
// counted from the line's first, and its column. Characters are as wide as
// the terminal shows them, a control is drawn "^X", a tab reaches the next
// multiple of 8, a character that does not print "\U+XXXX"; one that does
// not fit on a row starts the next.
struct ScreenPlace {
  std::size_t row = 0;
  std::size_t column = 0;
  bool operator==(const ScreenPlace&) const = default;
};
ScreenPlace cursor_place(std::wstring_view before, int columns);

}  // namespace zorm
