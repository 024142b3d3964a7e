// The command line: parsing the words after the invocation name, the help
// page and the report of a malformed command line.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "report/reporter.h"
#include "util/io.h"

namespace zorm {

class Session;

// Parses the words after the invocation name, acting on each as it is met:
// settings change, --eval-file and --eval-now evaluate at once, --help prints
// the page and raises ExitRequest. A malformed command line is reported and
// raises FatalFailure. Ends at the last word or after a word that takes all
// the rest.
void parse_command_line(Session& session, std::span<const std::string> words);

// Writes the help page to `out` and flushes it.
void write_help(Output& out);

// Writes the malformed-command-line report for the offending word (none when
// it is empty), listing every word of `argv`, the invocation name first.
void report_malformed_command_line(Streams& io, std::span<const std::string> argv, std::string_view word);

}  // namespace zorm
