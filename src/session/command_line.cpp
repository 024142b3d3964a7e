// The command line: `parse_command_line` over the option table (option_table.h), the help
// page and the malformed-command-line report.
#include "session/command_line.h"

#include <string>

#include "session/loops.h"
#include "session/option_table.h"
#include "session/session.h"
#include "util/text.h"

namespace zorm {

namespace {

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

}  // namespace

void write_help(Output& out) {
  for (std::string_view line : kHelp) {
    out.write(line);
    out.put('\n');
  }
  out.flush();
}

void report_malformed_command_line(Streams& io, std::span<const std::string> argv, std::string_view word) {
  // Written in pieces: the report repeats every word, and needs no copy of them.
  io.out().flush();
  Output& err = io.err();
  if (!word.empty()) {
    err.write("Failed on argument `");
    err.write(word);
    err.write("'!\n");
  }
  err.write("Incorrect runtime arguments ! Run '");
  err.write(argv.empty() ? std::string_view("zorm") : std::string_view(argv[0]));
  err.write(" --help' to see help.\n\n");
  for (std::size_t i = 0; i < argv.size(); ++i) {
    err.write("argument ");
    err.write(Decimal(i).view());
    err.write(": <");
    err.write(argv[i]);
    err.write(">\n");
  }
  err.flush();
}

void parse_command_line(Session& session, std::span<const std::string> words) {
  Settings& settings = session.settings();
  ResultFormat& format = session.core().format();
  ReportFlags& flags = session.core().report_flags();
  for (std::size_t i = 0; i < words.size();) {
    const std::string& word = words[i];
    const OptionRow* row = find_option(word);
    if (row == nullptr) {
      report_malformed_command_line(session.io(), session.argv(), word);
      throw kMalformed;
    }
    std::size_t rest = words.size() - i - 1;
    if (row->takes > 0 && rest < static_cast<std::size_t>(row->takes)) {
      report_malformed_command_line(session.io(), session.argv(), word);
      throw kMalformed;
    }
    const std::string* arg = &word + 1;  // the words taken after the option
    switch (row->opt) {
      case Opt::command_line:
        settings.mode = Mode::command_line;
        settings.expressions.assign(words.begin() + static_cast<std::ptrdiff_t>(i + 1), words.end());
        return;
      case Opt::eval_now:
        eval_list(session, words.subspan(i + 1));
        return;
      case Opt::help:
        write_help(session.io().out());
        throw ExitRequest{};
      case Opt::stdin_mode:
        settings.mode = Mode::stdin_mode;
        break;
      case Opt::replace:
        settings.mode = Mode::replace;
        break;
      case Opt::print_xp:
        format.print_xp = !format.print_xp;
        break;
      case Opt::print_newline:
        format.print_newline = !format.print_newline;
        break;
      case Opt::print_unit:
        format.print_unit = !format.print_unit;
        break;
      case Opt::print_symbol:
        format.print_symbol = !format.print_symbol;
        break;
      case Opt::display_welcome:
        settings.welcome = !settings.welcome;
        break;
      case Opt::print_errors:
        flags.print_errors = !flags.print_errors;
        break;
      case Opt::show_error:
        flags.show_error = !flags.show_error;
        break;
      case Opt::delimiters:
        settings.left_delimiter = arg[0];
        settings.right_delimiter = arg[1];
        break;
      case Opt::eval_file:
        eval_file(session, arg[0]);
        break;
      case Opt::unit_string:
        format.unit_string = arg[0];
        break;
    }
    i += 1 + static_cast<std::size_t>(row->takes > 0 ? row->takes : 0);
  }
}

}  // namespace zorm
