// Completion of names: the words offered, Tab's extension and the listing.
#include "terminal/completion.h"

#include <algorithm>
#include <cstring>

#include "lexer/lexer.h"
#include "parser/commands.h"
#include "parser/variables.h"

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

std::size_t word_start(std::string_view before) {
  std::size_t start = before.size();
  while (start > 0) {
    const unsigned char c = static_cast<unsigned char>(before[start - 1]);
    if (c < 0x80 && std::strchr(kWordBreaks, c) != nullptr) break;
    --start;
  }
  return start;
}

std::string completed_word(const std::vector<std::string>& matches) {
  std::string common = matches.front();
  for (const std::string& m : matches) {
    std::size_t n = 0;
    while (n < common.size() && n < m.size() && common[n] == m[n]) ++n;
    common.resize(n);
  }
  if (matches.size() == 1) common.push_back(' ');
  return common;
}

std::string completion_listing(const std::vector<std::string>& matches, int columns) {
  std::size_t width = 0;
  for (const std::string& m : matches) width = std::max(width, m.size());
  width += 2;
  const auto screen = static_cast<std::size_t>(std::max(columns, 1));
  const std::size_t per_row = std::max<std::size_t>(1, screen / width);
  const std::size_t rows = (matches.size() + per_row - 1) / per_row;
  std::string text = "\n";
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t i = r; i < matches.size(); i += rows) {
      text += matches[i];
      if (i + rows < matches.size()) text.append(width - matches[i].size(), ' ');
    }
    text += '\n';
  }
  return text;
}

}  // namespace zorm
