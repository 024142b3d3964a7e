// The "@" commands and the bindings listing.
#pragma once

#include <string_view>

#include "parser/mathparser.h"

namespace zorm {

// Runs the command named by word: list, clear, help, exit (raises
// ExitRequest), or reports an unrecognised word.
void run_command(Evaluator& ev, std::string_view word);

// Writes "Bound variables:", one line per binding in table order, and the total.
void display_bindings(Evaluator& ev);

// Writes one binding line: the name right-aligned in 20 columns, " = ", the value.
void disp_bind(Output& out, std::string_view name, double value);

}  // namespace zorm
