// State shared by the driver and the evaluator, and the position reporter.
#include "lexer/mathcommon.h"

#include "util/text.h"

namespace zorm {

void Streams::notice(std::string_view line) {
  out_.flush();
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line);
  text.push_back('\n');
  err_.write(text);
  err_.flush();
}

void Reporter::show_error(std::size_t start, std::size_t end) {
  std::string line(start, ' ');
  if (end > start) line.append(end - start, '^');
  io_.notice(line);
}

void Reporter::complain_soft(Span span) {
  std::string_view text = lexbuf_.get()->text;
  if (flags_.echo_input && flags_.show_error && flags_.print_errors) io_.notice(text);
  if (!flags_.print_errors) return;
  std::string failing;
  if (span.start <= span.end && span.end <= text.size())
    failing = text.substr(span.start, span.end - span.start);
  else
    failing = "BUG!";
  std::string shown = snippet(failing, 15);
  std::string message = "{Parsing failed on pos " + std::to_string(span.start);
  if (span.end > span.start + 1) {
    if (flags_.show_error) show_error(span.start, span.end);
    message.append("-").append(std::to_string(span.end - 1)).append(": `").append(shown).append("'}");
  } else {
    if (flags_.show_error) show_error(span.start, span.start + 1);
    if (!shown.empty()) message.append(": `").append(shown).append("'");
    message.append("}");
  }
  io_.notice(message);
  if (shown == "=")
    io_.notice("{Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}");
}

void Reporter::complain(Span span) {
  complain_soft(span);
  throw EvalFailure("Bad expression");
}

}  // namespace zorm
