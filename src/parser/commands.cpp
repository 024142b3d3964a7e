// The "@" commands and the bindings listing.
#include "parser/commands.h"

#include <string>

#include "util/soff.h"
#include "util/text.h"

namespace zorm {

namespace {

Command lookup(std::string_view word) {
  for (const CommandWord& c : kCommands)
    if (c.word == word) return c.command;
  return Command::unknown;
}

}  // namespace

void disp_bind(Output& out, std::string_view name, double value) {
  if (name.size() < 20) out.fill(' ', 20 - name.size());
  out.write(name);
  out.write(" = ");
  char text[kSoffMax];
  out.write(std::string_view(text, soff(value, text)));
  out.end_line();
}

void display_bindings(Evaluator& ev) {
  Output& out = ev.out();
  out.write("Bound variables:");
  out.end_line();
  ev.vars().traverse([&](std::string_view name, double value) { disp_bind(out, name, value); });
  std::size_t count = ev.vars().size();
  // Written in pieces, like the lines above, so that the listing allocates
  // nothing ("variables" fits in a string's own storage) and works also when
  // memory has run out.
  out.write("Total: ");
  out.write(Decimal(count).view());
  out.write(" ");
  out.write(pluralise("variable", static_cast<long long>(count)));
  out.end_line();
}

void run_command(Evaluator& ev, std::string_view word) {
  Output& out = ev.out();
  switch (lookup(word)) {
    case Command::list:
      display_bindings(ev);
      return;
    case Command::clear:
      ev.vars().clear();
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
      ev.reporter().io().notice("Unrecognized command!");
      return;
  }
}

}  // namespace zorm
