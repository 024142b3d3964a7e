// The "@" commands and the bindings listing.
#pragma once

#include <string_view>

#include "parser/parse_loop.h"

namespace zorm {

enum class Command { list, clear, help, exit, unknown };

struct CommandWord {
  std::string_view word;
  Command command;
};

// The words after "@" and what each does (completion offers them too).
inline constexpr CommandWord kCommands[] = {
    {"vars", Command::list},   {"table", Command::list}, {"clear", Command::clear},
    {"erase", Command::clear}, {"help", Command::help},  {"h", Command::help},
    {"exit", Command::exit},   {"quit", Command::exit},
};

// Runs the command named by word: list, clear, help, exit (raises
// ExitRequest), or reports an unrecognised word.
void run_command(Parser& parser, std::string_view word);

// Writes "Bound variables:", one line per binding in table order, and the total.
void write_bindings(Parser& parser);

// Writes one binding line: the name right-aligned in 20 columns, " = ", the value.
void write_binding(Output& out, std::string_view name, double value);

}  // namespace zorm
