// The terminal's bytes as the editor's keys: known sequences as one key each,
// unknown ones dropped whole, Alt keys, a lone ESC, pastes; the notation of
// keys in the editor's settings file.
#include "terminal/terminal_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace zorm {
namespace {

std::wstring decode(KeyDecoder& decoder, std::string_view bytes) {
  std::wstring out;
  for (char b : bytes) decoder.push(static_cast<unsigned char>(b), out);
  return out;
}

std::wstring k(EditorKey key) { return std::wstring(1, key_char(key)); }

TEST(KeyDecoder, Sequences) {
  const struct {
    std::string bytes;
    std::wstring keys;
  } kCases[] = {
      {"\x1b[A", k(EditorKey::up)},
      {"\x1bOD", k(EditorKey::left)},
      {"1\x1b[1~2\x1b[4~", L"1" + k(EditorKey::home) + L"2" + k(EditorKey::end)},
      {"\x1b[1;3C\x1b[1;5D", k(EditorKey::word_right) + k(EditorKey::word_left)},
      {"\x1b[3;5~\033d", k(EditorKey::delete_word_forward) + k(EditorKey::delete_word_forward)},
      {"\x1b.", k(EditorKey::last_result)},
      // Keys of no use here are dropped whole: PageUp, Shift-Up, F5, F12 with Shift.
      {"a\x1b[5~b\x1b[1;2A\x1b[15~\x1b[24;2~c", L"abc"},
      {"\x1b[" + std::string(100, '1') + "~x", L"x"},
      // Alt with another key: ESC and the key, for the editor's meta bindings.
      {"\033b", L"\033b"},
      {"\x1b\x1b[A", L"\x1b" + k(EditorKey::up)},
      // A control byte breaks a sequence off and counts itself.
      {"\x1b[1\x03x", L"\x03x"},
      {"\x1b[200~1+2\r3\x1b[201~4", k(EditorKey::paste) + L"4"},
  };
  for (const auto& c : kCases) {
    KeyDecoder decoder;
    EXPECT_EQ(decode(decoder, c.bytes), c.keys) << c.bytes.substr(1);  // without the ESC, printable
  }
}

TEST(KeyDecoder, LoneEscapeAndPastes) {
  KeyDecoder decoder;
  EXPECT_EQ(decode(decoder, "x\x1b"), L"x");
  EXPECT_TRUE(decoder.escape_pending());
  std::wstring out;
  decoder.flush_escape(out);
  EXPECT_EQ(out, L"\x1b");
  EXPECT_EQ(decode(decoder, "[C"), L"[C");  // after the pause it was ESC alone

  // Pastes keep every byte, sequences and line ends included, and come out in order.
  EXPECT_EQ(decode(decoder, "\x1b[200~a\x1b[A\tb\r\n\x1b[201~\x1b[200~\x1b[201~"),
            k(EditorKey::paste) + k(EditorKey::paste));
  EXPECT_EQ(decoder.take_paste(), "a\x1b[A\tb\r\n");
  EXPECT_EQ(decoder.take_paste(), "");
  EXPECT_EQ(decoder.take_paste(), "");

  // A sequence bound in the user's settings reaches the editor as it came.
  decoder.pass_through("\x1b[5~");
  EXPECT_EQ(decode(decoder, "\x1b[5~\x1b[6~"), L"\x1b[5~");
}

TEST(KeyNotation, AsTheSettingsFileWritesKeys) {
  const struct {
    std::wstring_view notation;
    std::optional<std::wstring> chars;
  } kCases[] = {
      {L"^I", L"\t"},
      {L"^?", L"\x7f"},
      {L"\\e[A", L"\x1b[A"},
      {L"^[[1;5C", L"\x1b[1;5C"},
      {L"M-d", L"\033d"},
      {L"\\t\\n\\r", L"\t\n\r"},
      {L"\\033[3~", L"\x1b[3~"},
      {L"\\U+00E9", L"\u00e9"},
      {L"\\\\", L"\\"},
      {L"M-", L"M-"},
      {L"^", std::nullopt},
      {L"\\", std::nullopt},
      {L"\\777", std::nullopt},
  };
  for (const auto& c : kCases) EXPECT_EQ(parse_key_notation(c.notation), c.chars) << c.notation.size();
  EXPECT_EQ(key_of_name(L"home"), EditorKey::home);
  EXPECT_EQ(key_of_name(L"pageup"), std::nullopt);
}

TEST(PasteLines, SplitAtEveryLineEnd) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(paste_lines("1+2"), Lines{"1+2"});
  EXPECT_EQ(paste_lines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(paste_lines("a\r\r"), (Lines{"a", "", ""}));
  EXPECT_EQ(paste_lines(""), Lines{""});
}

}  // namespace
}  // namespace zorm
