// The terminal's keys as the line editor's characters.
#include "terminal/terminal_keys.h"

#include <algorithm>
#include <iterator>

namespace zorm {

namespace {

constexpr unsigned char kEsc = 0x1b;
// Longer sequences name no key of ours: the bytes beyond are not kept.
constexpr std::size_t kLongestSequence = 32;

}  // namespace

// What xterm and its kin send, in their normal and application cursor modes,
// with the Ctrl (5) and Alt (3) modifiers where the key has a use for them.
const KeySequence kKeySequences[] = {
    {"\x1b[A", EditorKey::up},
    {"\x1bOA", EditorKey::up},
    {"\x1b[B", EditorKey::down},
    {"\x1bOB", EditorKey::down},
    {"\x1b[C", EditorKey::right},
    {"\x1bOC", EditorKey::right},
    {"\x1b[D", EditorKey::left},
    {"\x1bOD", EditorKey::left},
    {"\x1b[H", EditorKey::home},
    {"\x1bOH", EditorKey::home},
    {"\x1b[1~", EditorKey::home},
    {"\x1b[7~", EditorKey::home},
    {"\x1b[F", EditorKey::end},
    {"\x1bOF", EditorKey::end},
    {"\x1b[4~", EditorKey::end},
    {"\x1b[8~", EditorKey::end},
    {"\x1b[3~", EditorKey::delete_char},
    {"\x1b[2~", EditorKey::insert},
    {"\x1b[1;5C", EditorKey::word_right},
    {"\x1b[5C", EditorKey::word_right},
    {"\x1b[1;3C", EditorKey::word_right},
    {"\x1b[1;5D", EditorKey::word_left},
    {"\x1b[5D", EditorKey::word_left},
    {"\x1b[1;3D", EditorKey::word_left},
    {"\x1b[3;5~", EditorKey::delete_word_forward},
    {"\033d", EditorKey::delete_word_forward},
    {"\x1b.", EditorKey::last_result},
};

namespace {

// The key that `sequence` stands for, if it is one of kKeySequences.
const KeySequence* known_sequence(const std::string& sequence) {
  for (const KeySequence& s : kKeySequences)
    if (std::equal(s.bytes.begin(), s.bytes.end(), sequence.begin(), sequence.end())) return &s;
  return nullptr;
}

}  // namespace

std::optional<EditorKey> key_of_name(std::wstring_view name) {
  static constexpr struct {
    std::wstring_view name;
    EditorKey key;
  } kNames[] = {
      {L"up", EditorKey::up},
      {L"down", EditorKey::down},
      {L"left", EditorKey::left},
      {L"right", EditorKey::right},
      {L"home", EditorKey::home},
      {L"end", EditorKey::end},
      {L"delete", EditorKey::delete_char},
      {L"insert", EditorKey::insert},
  };
  for (const auto& n : kNames)
    if (n.name == name) return n.key;
  return std::nullopt;
}

std::optional<std::wstring> parse_key_notation(std::wstring_view in) {
  std::wstring out;
  std::size_t i = 0;
  while (i < in.size()) {
    const wchar_t c = in[i];
    if (c == L'M' && i + 2 < in.size() && in[i + 1] == L'-') {
      out.push_back(kEsc);
      i += 2;
      continue;
    }
    if (c != L'\\' && c != L'^') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 == in.size()) return std::nullopt;
    const wchar_t next = in[i + 1];
    i += 2;
    if (c == L'^') {
      out.push_back(next == L'?' ? 0x7f : (next & 0237));
      continue;
    }
    switch (next) {
      case L'a':
        out.push_back(0x07);
        break;
      case L'b':
        out.push_back(0x08);
        break;
      case L't':
        out.push_back(0x09);
        break;
      case L'n':
        out.push_back(0x0a);
        break;
      case L'v':
        out.push_back(0x0b);
        break;
      case L'f':
        out.push_back(0x0c);
        break;
      case L'r':
        out.push_back(0x0d);
        break;
      case L'e':
        out.push_back(kEsc);
        break;
      case L'U': {
        if (i >= in.size() || in[i] != L'+') return std::nullopt;
        ++i;
        wchar_t value = 0;
        int digits = 0;
        for (; digits < 5 && i < in.size(); ++digits, ++i) {
          const wchar_t h = in[i];
          const int v = h >= L'0' && h <= L'9' ? h - L'0' : h >= L'A' && h <= L'F' ? h - L'A' + 10 : -1;
          if (v < 0) break;
          value = (value << 4) | v;
        }
        if (digits < 4 || value > 0x10FFFF) return std::nullopt;
        out.push_back(value);
        break;
      }
      default:
        if (next >= L'0' && next <= L'7') {
          wchar_t value = next - L'0';
          for (int digits = 1; digits < 3 && i < in.size() && in[i] >= L'0' && in[i] <= L'7'; ++digits)
            value = (value << 3) | (in[i++] - L'0');
          if (value > 0xff) return std::nullopt;
          out.push_back(value);
        } else {
          out.push_back(next);
        }
    }
  }
  return out;
}

void KeyDecoder::push(unsigned char byte, std::wstring& out) {
  // A byte that breaks off a sequence is read anew as text: at most once.
  for (bool again = true; again;) {
    again = false;
    switch (state_) {
      case State::text:
        if (byte != kEsc) {
          text_.push(byte, out);
          break;
        }
        text_.finish(out);  // a character cut short by the ESC
        state_ = State::escape;
        sequence_.assign(1, static_cast<char>(kEsc));
        break;
      case State::escape:
        if (byte == '[' || byte == 'O') {
          sequence_.push_back(static_cast<char>(byte));
          state_ = State::sequence;
        } else if (byte == kEsc) {
          out.push_back(kEsc);  // the first of two stands alone
        } else {
          // Alt and a key: one of ours, or ESC and the key for the editor.
          sequence_.push_back(static_cast<char>(byte));
          state_ = State::text;
          if (const KeySequence* known = known_sequence(sequence_)) {
            out.push_back(key_char(known->key));
          } else {
            out.push_back(kEsc);
            text_.push(byte, out);
          }
        }
        break;
      case State::sequence:
        if (byte >= 0x20 && byte <= 0x3f) {  // parameters and intermediates
          if (sequence_.size() < kLongestSequence) sequence_.push_back(static_cast<char>(byte));
        } else if (byte >= 0x40 && byte <= 0x7e) {  // the final byte
          sequence_.push_back(static_cast<char>(byte));
          end_sequence(out);
        } else {
          state_ = State::text;
          again = true;
        }
        break;
      case State::paste:
        paste_.push_back(static_cast<char>(byte));
        if (paste_.size() >= kPasteEnd.size() &&
            std::equal(kPasteEnd.begin(), kPasteEnd.end(),
                       paste_.end() - static_cast<long>(kPasteEnd.size()))) {
          paste_.resize(paste_.size() - kPasteEnd.size());
          pastes_.push_back(std::move(paste_));
          paste_.clear();
          state_ = State::text;
          out.push_back(key_char(EditorKey::paste));
        }
        break;
    }
  }
}

void KeyDecoder::end_sequence(std::wstring& out) {
  state_ = State::text;
  if (std::equal(kPasteStart.begin(), kPasteStart.end(), sequence_.begin(), sequence_.end())) {
    state_ = State::paste;
    paste_.clear();
    return;
  }
  if (const KeySequence* known = known_sequence(sequence_)) {
    out.push_back(key_char(known->key));
    return;
  }
  if (std::find(passed_.begin(), passed_.end(), sequence_) != passed_.end())
    for (char b : sequence_) out.push_back(static_cast<unsigned char>(b));
}

void KeyDecoder::flush_escape(std::wstring& out) {
  if (state_ != State::escape) return;
  out.push_back(kEsc);
  state_ = State::text;
}

void KeyDecoder::finish(std::wstring& out) {
  text_.finish(out);
  flush_escape(out);
  if (state_ == State::paste) {
    pastes_.push_back(std::move(paste_));
    paste_.clear();
    out.push_back(key_char(EditorKey::paste));
  }
  state_ = State::text;
}

void KeyDecoder::reset() {
  state_ = State::text;
  text_.reset();
  sequence_.clear();
  paste_.clear();
  pastes_.clear();
}

void KeyDecoder::pass_through(std::string sequence) { passed_.push_back(std::move(sequence)); }

std::string KeyDecoder::take_paste() {
  if (pastes_.empty()) return {};
  std::string text = std::move(pastes_.front());
  pastes_.pop_front();
  return text;
}

std::vector<std::string> paste_lines(std::string_view paste) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < paste.size(); ++i) {
    if (paste[i] != '\r' && paste[i] != '\n') continue;
    lines.emplace_back(paste.substr(start, i - start));
    if (paste[i] == '\r' && i + 1 < paste.size() && paste[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.emplace_back(paste.substr(start));
  return lines;
}

}  // namespace zorm
