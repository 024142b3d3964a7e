// Bytes carried through the wide-character line editor unchanged.
#include "terminal/editor_text.h"

#include <langinfo.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <wchar.h>

#include <algorithm>

namespace zorm {

namespace {

bool is_escape(wchar_t c) { return c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF; }

// Whether a decoded character goes into the line as itself. The editor's key
// map covers the first 256 characters and binds 0x80 to 0xFF to meta keys
// unless the locale calls them printable; escapes stand for bytes.
bool inserts(wchar_t c) { return c >= 0xA0 && !is_escape(c) && (c > 0xFF || std::iswprint(c)); }

// The locale's bytes for c, or false when it has none.
bool write_char(wchar_t c, std::string& out) {
  char buf[MB_LEN_MAX];
  std::mbstate_t state{};
  const std::size_t n = std::wcrtomb(buf, c, &state);
  if (n == static_cast<std::size_t>(-1)) return false;
  out.append(buf, n);
  return true;
}

}  // namespace

std::string select_editor_ctype() {
  if (std::setlocale(LC_CTYPE, "") == nullptr) std::setlocale(LC_CTYPE, "C");
  if (std::strcmp(nl_langinfo(CODESET), "ANSI_X3.4-1968") == 0)
    std::setlocale(LC_CTYPE, "C.UTF-8");  // stays as it was when not installed
  return nl_langinfo(CODESET);
}

void ByteDecoder::push(unsigned char byte, std::wstring& out) {
  if (pending_.empty() && byte < 0x80) {
    out.push_back(static_cast<wchar_t>(byte));
    return;
  }
  pending_.push_back(static_cast<char>(byte));
  while (!pending_.empty()) {
    const auto first = static_cast<unsigned char>(pending_[0]);
    if (first < 0x80) {
      out.push_back(static_cast<wchar_t>(first));
      pending_.erase(0, 1);
      continue;
    }
    wchar_t c = 0;
    std::mbstate_t state{};
    const std::size_t n = std::mbrtowc(&c, pending_.data(), pending_.size(), &state);
    if (n == static_cast<std::size_t>(-2) && pending_.size() < MB_LEN_MAX) return;  // wait for more
    std::size_t used = 1;  // an invalid start: that byte alone is escaped
    if (n != static_cast<std::size_t>(-1) && n != static_cast<std::size_t>(-2) && n > 0) {
      std::string back;
      if (inserts(c) && write_char(c, back) && back == pending_.substr(0, n)) {
        out.push_back(c);
        pending_.erase(0, n);
        continue;
      }
      used = n;
    }
    for (std::size_t i = 0; i < used; ++i)
      out.push_back(kByteEscape + static_cast<unsigned char>(pending_[i]));
    pending_.erase(0, used);
  }
}

void ByteDecoder::finish(std::wstring& out) {
  for (char b : pending_) out.push_back(kByteEscape + static_cast<unsigned char>(b));
  pending_.clear();
}

std::wstring decode_bytes(std::string_view bytes) {
  ByteDecoder decoder;
  std::wstring out;
  out.reserve(bytes.size());
  for (char b : bytes) decoder.push(static_cast<unsigned char>(b), out);
  decoder.finish(out);
  return out;
}

std::string encode_chars(std::wstring_view chars) {
  std::string out;
  out.reserve(chars.size());
  for (wchar_t c : chars) {
    if (c >= 0 && c < 0x80)
      out.push_back(static_cast<char>(c));
    else if (is_escape(c))
      out.push_back(static_cast<char>(c - kByteEscape));
    else if (!write_char(c, out))
      out.push_back(static_cast<char>(0xFF));
  }
  return out;
}

ScreenPlace cursor_place(std::wstring_view before, int columns) {
  const std::size_t width = static_cast<std::size_t>(std::max(columns, 1));
  std::size_t row = 0, column = 0;
  for (wchar_t c : before) {
    std::size_t w = 0;
    if (c == L'\t') {
      w = 8 - column % 8;
    } else if ((c >= 0 && c < 0x20) || c == 0x7f) {
      w = 2;
    } else {
      const int shown = std::iswprint(static_cast<wint_t>(c)) ? ::wcwidth(c) : -1;
      w = shown >= 0 ? static_cast<std::size_t>(shown) : c > 0xFFFF ? 8 : 7;
    }
    if (c != L'\t' && column + w > width) {
      ++row;
      column = 0;
    }
    column += w;
    if (column >= width) {
      row += column / width;
      column %= width;
    }
  }
  return {row, column};
}

}  // namespace zorm
