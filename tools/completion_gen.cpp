// The option table of the shell completions (completion/zorm.bash, .zsh and
// .fish), written from the command line's own table (option_table.h)
// between the lines "# BEGIN option table" and "# END option table" of each.
//
// usage: zorm_completion_gen check|update FILE...
//   check   fails (status 1) naming each file whose table is not current
//   update  rewrites the tables that are not
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "session/option_table.h"

namespace {

using zorm::kOptions;
using zorm::Opt;
using zorm::OptionRow;

constexpr std::string_view kBegin = "# BEGIN option table";
constexpr std::string_view kEnd = "# END option table";

// Every word and summary goes between single quotes or none, in all three shells.
constexpr bool quotable() {
  for (const OptionRow& row : kOptions)
    for (std::string_view text : {row.long_form, row.short_form, row.summary})
      for (char c : text)
        if (c == '\'' || c == '\\' || c == '\n') return false;
  return true;
}
static_assert(quotable(), "an option's words or summary hold a quote, a backslash or a line feed");

// What the shells need of a row: the words it takes, where -1 also stands for
// an option after which nothing more is completed (the run ends at --help),
// and what those words are.
int taken(const OptionRow& row) { return row.opt == Opt::help ? -1 : row.takes; }
std::string_view what(const OptionRow& row) {
  if (taken(row) <= 0) return "-";
  return row.opt == Opt::eval_file ? "file" : "word";
}

// The lines between the markers, for the shell that the file name's
// extension names; empty for an unknown one.
std::string table(std::string_view file) {
  std::string_view open, row_end = "", last_end = "", close;
  if (file.ends_with(".bash")) {
    open = "_zorm_options=(";
    close = ")\n";
  } else if (file.ends_with(".zsh")) {
    open = "local -a zorm_options=(";
    close = ")\n";
  } else if (file.ends_with(".fish")) {
    open = "set -g __zorm_options \\";
    row_end = " \\";
  } else {
    return "";
  }
  std::ostringstream t;
  t << "# Each option: its long form, its short form ('' for none), the words it\n"
       "# takes (-1: every word after it, or none as the run ends), what they are\n"
       "# (file, word or -) and its summary. Generated from src/session/option_table.h\n"
       "# by the zorm_generate target; a test fails while it differs.\n"
    << open << '\n';
  const std::size_t rows = std::size(kOptions);
  for (std::size_t i = 0; i < rows; ++i) {
    const OptionRow& row = kOptions[i];
    t << "  " << row.long_form << ' ' << (row.short_form.empty() ? "''" : row.short_form) << ' ' << taken(row)
      << ' ' << what(row) << " '" << row.summary << '\'' << (i + 1 < rows ? row_end : last_end) << '\n';
  }
  t << close;
  return t.str();
}

// The file with its table replaced; false when it has no markers.
bool rewrite(const std::string& file, const std::string& text, std::string& out) {
  const std::size_t begin = text.find(std::string(kBegin) + "\n");
  const std::size_t end = text.find(std::string(kEnd) + "\n");
  if (begin == std::string::npos || end == std::string::npos || end < begin) return false;
  const std::size_t first = begin + kBegin.size() + 1;
  out = text.substr(0, first) + table(file) + text.substr(end);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if ((mode != "check" && mode != "update") || argc < 3) {
    std::cerr << "usage: zorm_completion_gen check|update FILE...\n";
    return 2;
  }
  int status = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string file = argv[i];
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string want;
    if (!in || table(file).empty() || !rewrite(file, text.str(), want)) {
      std::cerr << file << ": cannot be read, or is no completion script with an option table\n";
      return 2;
    }
    if (want == text.str()) continue;
    if (mode == "check") {
      std::cerr << file << ": the option table differs from src/session/option_table.h;"
                   " run the zorm_generate target\n";
      status = 1;
      continue;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << want;
    if (!out.flush()) {
      std::cerr << file << ": cannot be written\n";
      return 2;
    }
    std::cout << "updated " << file << '\n';
  }
  return status;
}
