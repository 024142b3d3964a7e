// The "@" commands and the bindings listing.
#include "parser/commands.h"

#include <string>

#include "util/number_text.h"
#include "util/text.h"

namespace zorm {

namespace {

Command lookup(std::string_view word) {
  for (const CommandWord& c : kCommands)
    if (c.word == word) return c.command;
  return Command::unknown;
}

}  // namespace

void write_binding(Output& out, std::string_view name, double value) {
  if (name.size() < 20) out.fill(' ', 20 - name.size());
  out.write(name);
  out.write(" = ");
  char text[kNumberTextMax];
  out.write(std::string_view(text, number_text(value, text)));
  out.end_line();
}

void write_bindings(Parser& parser) {
  Output& out = parser.out();
  out.write("Bound variables:");
  out.end_line();
  parser.vars().traverse([&](std::string_view name, double value) { write_binding(out, name, value); });
  std::size_t count = parser.vars().size();
  // Written in pieces, like the lines above, so that the listing allocates
  // nothing ("variables" fits in a string's own storage) and works also when
  // memory has run out.
  out.write("Total: ");
  out.write(Decimal(count).view());
  out.write(" ");
  out.write(pluralise("variable", static_cast<long long>(count)));
  out.end_line();
}

void run_command(Parser& parser, std::string_view word) {
  Output& out = parser.out();
  switch (lookup(word)) {
    case Command::list:
      write_bindings(parser);
      return;
    case Command::clear:
      parser.vars().clear();
      return;
    case Command::help:
      out.write("Commands: vars, clear, exit.");
      out.end_line();
      return;
    case Command::exit:
      out.write("Bye-bye!");
      out.end_line();
      throw ExitRequest{};
    case Command::unknown:
      parser.reporter().io().notice("Unrecognized command!");
      return;
  }
}

}  // namespace zorm
