// The command line: the option table, `pcml`, the help page, the
// malformed-command-line report, and how a run ends.
#include <new>
#include <string>

#include "driver/session.h"
#include "util/text.h"

namespace zorm {

namespace {

enum class Opt {
  command_line, stdin_mode, replace, print_xp, print_newline, print_unit, print_symbol,
  display_welcome, eval_now, delimiters, eval_file, unit_string, print_errors, show_error, help,
};

struct OptionRow {
  std::string_view long_form;
  std::string_view short_form;  // empty: none
  Opt opt;
  int takes;  // words taken after it; -1: all the rest
};

constexpr OptionRow kOptions[] = {
    {"+command-line", "c", Opt::command_line, -1},
    {"+stdin", "s", Opt::stdin_mode, 0},
    {"+replace", "r", Opt::replace, 0},
    {"--print-xp", "pxp", Opt::print_xp, 0},
    {"--print-newline", "pn", Opt::print_newline, 0},
    {"--print-unit", "pu", Opt::print_unit, 0},
    {"--print-symbol", "ps", Opt::print_symbol, 0},
    {"--display-welcome", "dw", Opt::display_welcome, 0},
    {"--eval-now", "en", Opt::eval_now, -1},
    {"--delimiters", "del", Opt::delimiters, 2},
    {"--eval-file", "ef", Opt::eval_file, 1},
    {"--unit-string", "us", Opt::unit_string, 1},
    {"--print_errors", "pe", Opt::print_errors, 0},
    {"--show-error", "se", Opt::show_error, 0},
    {"--help", "", Opt::help, 0},
};

const OptionRow* find_option(std::string_view word) {
  if (word.empty()) return nullptr;
  for (const OptionRow& row : kOptions)
    if (row.long_form == word || row.short_form == word) return &row;
  return nullptr;
}

constexpr std::string_view kHelp[] = {
    "Vorpex - Quorlith",
    "",
    "usage: zorm [options] [mode]",
    "",
    "  modes:",
    "    +command-line (c) sequentially evaluate command-line arguments",
    "    +stdin        (s) evaluate expressions from standard input",
    "    +replace      (r) search and replace expressions inside a line (on stdin)",
    "",
    "  options:  (modes c and s)",
    "    --print-xp     (pxp) reprint the unevaluated expression",
    "    --print-newline (pn) goto newline before printing the result",
    "    --print-unit    (pu) print units, ie. stand-alone assignments",
    "    --print-symbol  (ps) print a symbol before the result",
    "",
    "  options (mode s)",
    "    --display-welcome (dw) ",
    "      Display the welcome message at beginning of session",
    "",
    "  options (modes s and r)",
    "    --eval-now (en) xp1...xpN",
    "      Evaluate a list of command-line expressions before processing stdin.",
    "    ",
    "  options (mode r)",
    "    --delimiters (del) <left del> <right del>",
    "      Set the delimiters for mathematical expressions.",
    "",
    "  options  (all modes)",
    "    --eval-file    (ef) <str>",
    "      Silently parse a file. Useful to define a bunch of variables.",
    "    --unit-string  (us) <str>",
    "      Set the string representing a unit (pure side-effect evaluation)",
    "    --print-errors (pe)",
    "      The parser prints debug error messages on stderr",
    "    --show-error   (se)",
    "      The parser prints a line with ^^^ where the error is",
    "    --help",
    "      Print this help page.",
    "",
};
static_assert(std::size(kHelp) == 39);

const FatalFailure kMalformed{"Failure", "Please correct the command-line and try again... (see --help)"};

// The fatal-failure line is "Fatal error: exception <description>"; the
// description of a failed allocation has no message.
constexpr std::string_view kFatalHead = "Fatal error: exception ";
constexpr std::string_view kOutOfMemory = "Out_of_memory";

}  // namespace

int fatal_out_of_memory(int fd) {
  try {
    write_fd(fd, kFatalHead);
    write_fd(fd, kOutOfMemory);
    write_fd(fd, "\n");
  } catch (const IoError&) {
    // Nothing is left to report through.
  }
  return 2;
}

void Session::disp_help() {
  Output& out = streams_.out();
  for (std::string_view line : kHelp) {
    out.write(line);
    out.put('\n');
  }
  out.flush();
}

void Session::bad_args(std::string_view word) {
  // Written in pieces: the report repeats every word, and needs no copy of them.
  streams_.out().flush();
  Output& err = streams_.err();
  if (!word.empty()) {
    err.write("Failed on argument `");
    err.write(word);
    err.write("'!\n");
  }
  err.write("Incorrect runtime arguments ! Run '");
  err.write(argv_.empty() ? std::string_view("zorm") : std::string_view(argv_[0]));
  err.write(" --help' to see help.\n\n");
  for (std::size_t i = 0; i < argv_.size(); ++i) {
    err.write("argument ");
    err.write(Decimal(i).view());
    err.write(": <");
    err.write(argv_[i]);
    err.write(">\n");
  }
  err.flush();
}

void Session::pcml(std::span<const std::string> words) {
  for (std::size_t i = 0; i < words.size();) {
    const std::string& word = words[i];
    const OptionRow* row = find_option(word);
    if (row == nullptr) {
      bad_args(word);
      throw kMalformed;
    }
    std::size_t rest = words.size() - i - 1;
    if (row->takes > 0 && rest < static_cast<std::size_t>(row->takes)) {
      bad_args(word);
      throw kMalformed;
    }
    const std::string* arg = &word + 1;  // the words taken after the option
    switch (row->opt) {
      case Opt::command_line:
        settings_.mode = Mode::command_line;
        settings_.expressions.assign(words.begin() + static_cast<std::ptrdiff_t>(i + 1), words.end());
        return;
      case Opt::eval_now:
        eval_list(words.subspan(i + 1));
        return;
      case Opt::help:
        disp_help();
        throw ExitRequest{};
      case Opt::stdin_mode:
        settings_.mode = Mode::stdin_mode;
        break;
      case Opt::replace:
        settings_.mode = Mode::replace;
        break;
      case Opt::print_xp:
        settings_.print_xp = !settings_.print_xp;
        break;
      case Opt::print_newline:
        settings_.print_newline = !settings_.print_newline;
        break;
      case Opt::print_unit:
        settings_.print_unit = !settings_.print_unit;
        break;
      case Opt::print_symbol:
        settings_.print_symbol = !settings_.print_symbol;
        break;
      case Opt::display_welcome:
        settings_.welcome = !settings_.welcome;
        break;
      case Opt::print_errors:
        flags().print_errors = !flags().print_errors;
        break;
      case Opt::show_error:
        flags().show_error = !flags().show_error;
        break;
      case Opt::delimiters:
        settings_.left_delimiter = arg[0];
        settings_.right_delimiter = arg[1];
        break;
      case Opt::eval_file:
        eval_file(arg[0]);
        break;
      case Opt::unit_string:
        settings_.unit_string = arg[0];
        break;
    }
    i += 1 + static_cast<std::size_t>(row->takes > 0 ? row->takes : 0);
  }
}

int Session::fatal(std::string_view kind, std::optional<std::string_view> message) {
  // Written in pieces from buffers that exist already: this also runs when
  // memory has run out.
  try {
    streams_.out().flush();
  } catch (const IoError&) {
    // The fatal line below says what went wrong.
  }
  try {
    Output& err = streams_.err();
    err.write(kFatalHead);
    err.write(kind);
    if (message) {
      err.write("(\"");
      err.write(*message);
      err.write("\")");
    }
    err.put('\n');
    err.flush();
  } catch (const IoError&) {
    // Nothing is left to report through.
  }
  return 2;
}

int Session::main() {
  try {
    try {
      pcml(std::span<const std::string>(argv_).subspan(argv_.empty() ? 0 : 1));
      run();
    } catch (const ExitRequest&) {
      // The exit command and --help end the run normally.
    }
    streams_.out().flush();
    streams_.err().flush();
    return 0;
  } catch (const FatalFailure& f) {
    return fatal(f.kind, f.message);
  } catch (const IoError& e) {
    return fatal("Sys_error", e.what());
  } catch (const std::bad_alloc&) {
    // Memory ran out outside a statement (str catches it inside one): a line
    // too long to hold, the command line, a rewritten line in replace mode.
    return fatal(kOutOfMemory, std::nullopt);
  }
}

}  // namespace zorm
