// Bytes through the editor's characters: every byte string comes back whole,
// in a UTF-8 locale and in the C locale.
#include "terminal/editor_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <random>
#include <string>

namespace zorm {
namespace {

// Sets LC_CTYPE for one test and puts the C locale back after it.
class Ctype {
 public:
  explicit Ctype(const char* name) { ok_ = std::setlocale(LC_CTYPE, name) != nullptr; }
  ~Ctype() { std::setlocale(LC_CTYPE, "C"); }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

std::string hex(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    out += "0123456789abcdef"[c >> 4];
    out += "0123456789abcdef"[c & 15];
    out += ' ';
  }
  return out;
}

std::string every_byte() {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  return all;
}

TEST(EditorText, EveryByteStringComesBackWhole) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> byte(0, 255), high(0x80, 0xFF);
  std::vector<std::string> cases = {
      "", "größe = 3", "3 × 4", "1 + 2é3", "\xF0\x9F\x98\x80",  // valid UTF-8, four bytes too
      "\xff", "x\xc3 = 2", "\xe2\x88", "\xc3\xc3\xa9",             // invalid, cut short, restarted
      "\xc2\x88", "\xc2\x9f",                                      // C1 controls
      "\xed\xb2\x80", "\xc0\x80", "\xf4\x90\x80\x80",              // a surrogate, overlong, past U+10FFFF
      "\xe2\x80\xa6\x80", every_byte(),
  };
  for (int i = 0; i < 200; ++i) {
    std::string s;
    for (int n = 0; n < 12; ++n) s.push_back(static_cast<char>(n % 3 ? high(gen) : byte(gen)));
    cases.push_back(s);
  }
  for (const char* locale : {"C.UTF-8", "C"}) {
    Ctype ctype(locale);
    ASSERT_TRUE(ctype.ok()) << locale;
    for (const std::string& bytes : cases)
      EXPECT_EQ(encode_chars(decode_bytes(bytes)), bytes) << locale << ": " << hex(bytes);
  }
}

TEST(EditorText, CharactersOfTheLocaleAndEscapes) {
  auto e = [](int byte) { return static_cast<wchar_t>(kByteEscape + byte); };
  const struct {
    const char* locale;
    std::string bytes;
    std::wstring chars;
  } cases[] = {
      {"C.UTF-8", "gr\xc3\xb6\xc3\x9f" "e", L"gr\u00f6\u00dfe"},
      {"C.UTF-8", "3 \xc3\x97 4", L"3 \u00d7 4"},
      {"C.UTF-8", "\xc3" "A", {e(0xc3), L'A'}},            // the lead byte alone is escaped
      {"C.UTF-8", "\xc2\x88", {e(0xc2), e(0x88)}},        // a C1 control would be a meta key
      {"C.UTF-8", "\xe2\x88", {e(0xe2), e(0x88)}},        // cut short by the end
      {"C", "\xc3\xb6", {e(0xc3), e(0xb6)}},              // no character from 0x80 up in C
      {"C", "\t\x01\x7f", L"\t\x01\x7f"},
  };
  for (const auto& c : cases) {
    Ctype ctype(c.locale);
    EXPECT_EQ(decode_bytes(c.bytes), c.chars) << c.locale << ": " << hex(c.bytes);
  }
}

TEST(EditorText, IncompleteCharacterWaitsForItsLastByte) {
  Ctype ctype("C.UTF-8");
  ByteDecoder decoder;
  std::wstring out;
  decoder.push(0xe2, out);
  decoder.push(0x88, out);
  EXPECT_EQ(out, L"");
  decoder.push(0x9a, out);
  EXPECT_EQ(out, L"\u221a");
  decoder.push(0xe2, out);
  decoder.reset();  // a cancelled line drops it
  decoder.push('1', out);
  EXPECT_EQ(out, L"\u221a1");
}

TEST(EditorText, UnwritableCharacterIsAByteTheLexerRejects) {
  Ctype ctype("C.UTF-8");
  EXPECT_EQ(encode_chars(std::wstring{L'1', static_cast<wchar_t>(0xD800), L'2'}), "1\xff" "2");
}

TEST(EditorText, CharacterTypeFromTheEnvironmentAndUtf8ForC) {
  const char* saved = std::getenv("LC_ALL");
  const std::string kept = saved ? saved : "";
  for (const char* locale : {"C", "POSIX", "C.UTF-8"}) {
    ::setenv("LC_ALL", locale, 1);
    EXPECT_EQ(select_editor_ctype(), "UTF-8") << locale;
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C") << "only the character type changes";
  }
  if (saved)
    ::setenv("LC_ALL", kept.c_str(), 1);
  else
    ::unsetenv("LC_ALL");
  std::setlocale(LC_CTYPE, "C");
}

}  // namespace
}  // namespace zorm

namespace zorm {
namespace {

TEST(CursorPlace, AsTheEditorDrawsTheLine) {
  const Ctype utf8("C.UTF-8");
  if (!utf8.ok()) GTEST_SKIP() << "no C.UTF-8 locale";
  const struct {
    std::wstring before;
    int columns;
    ScreenPlace place;
  } kCases[] = {
      {L"", 80, {0, 0}},           {L"abc", 80, {0, 3}},
      {std::wstring(80, L'1'), 80, {1, 0}}, {std::wstring(199, L'1'), 50, {3, 49}},
      {L"a\tb", 80, {0, 9}},       {L"\x01x", 80, {0, 3}},       // a control drawn as ^A
      {L"\xDCFFx", 80, {0, 8}},    {L"x\u4e2d\u4e2d", 4, {1, 2}},  // a wide character that does not fit
  };
  for (const auto& c : kCases) EXPECT_EQ(cursor_place(c.before, c.columns), c.place) << c.before.size();
}

}  // namespace
}  // namespace zorm
