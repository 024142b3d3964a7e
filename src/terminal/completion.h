// Completion of names at the terminal: which words are offered where, how far
// Tab extends the word, and the listing of the choices. No line editor is
// needed for any of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

class VarTable;

// The completions of the word line[start, end) at the cursor (end): the texts
// that may replace it, sorted and without duplicates. The name being completed
// starts at the first letter or "_" of the word, as the lexer reads it, and
// whatever precedes it in the word is kept in every completion ("2*si" ->
// "2*sin", "2*sinh"). Right after a leading "@" the command words are offered;
// elsewhere the function and constant names, the keywords and the names bound
// in `vars` (when given).
std::vector<std::string> completions(std::string_view line, std::size_t start, std::size_t end,
                                     const VarTable* vars);

// The bytes that end a word for completion: every ASCII byte that cannot
// continue a name.
extern const char* const kWordBreaks;

// Where the word before the cursor starts in `before` (the text up to the
// cursor): after the last word break.
std::size_t word_start(std::string_view before);

// What Tab puts in place of the word: the longest common prefix of the
// matches (not empty), with a blank after it when there is one match.
std::string completed_word(const std::vector<std::string>& matches);

// The listing of the choices below the line, in columns down the screen of
// `columns` columns, each row ending in a line feed, the first line empty.
std::string completion_listing(const std::vector<std::string>& matches, int columns);

}  // namespace zorm
