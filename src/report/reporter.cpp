// The output streams' notices and the position reporter.
#include "report/reporter.h"

#include "util/text.h"

namespace zorm {

Output& Streams::begin_notice() {
  out_->flush();
  return *err_;
}

void Streams::end_notice() {
  err_->put('\n');
  err_->flush();
}

void Streams::notice(std::initializer_list<std::string_view> parts) {
  Output& err = begin_notice();
  for (std::string_view part : parts) err.write(part);
  end_notice();
}

// A huge statement's caret line and failing text need no memory of their own.
void Reporter::show_error(std::size_t start, std::size_t end) {
  Output& err = io_->begin_notice();
  err.fill(' ', start);
  if (end > start) err.fill('^', end - start);
  io_->end_notice();
}

void Reporter::complain_soft(std::string_view text, Span span) {
  if (flags_.echo_input && flags_.show_error && flags_.print_errors) io_->notice(text);
  if (!flags_.print_errors) return;
  std::string_view failing = "BUG!";
  if (span.start <= span.end && span.end <= text.size()) failing = text.substr(span.start, span.end - span.start);
  const SnippetParts shown = snippet_parts(failing, 15);
  const Decimal start(span.start);
  if (span.end > span.start + 1) {
    if (flags_.show_error) show_error(span.start, span.end);
    io_->notice({"{Parsing failed on pos ", start.view(), "-", Decimal(span.end - 1).view(), ": `", shown.head,
                shown.more, "'}"});
  } else {
    if (flags_.show_error) show_error(span.start, span.start + 1);
    if (failing.empty())
      io_->notice({"{Parsing failed on pos ", start.view(), "}"});
    else
      io_->notice({"{Parsing failed on pos ", start.view(), ": `", shown.head, shown.more, "'}"});
  }
  // The text shown is "=" exactly when the failing text is.
  if (failing == "=")
    io_->notice("{Perhaps you are trying to bind a variable with a reserved name, such as `pi', `log' etc.}");
}

void Reporter::complain(std::string_view text, Span span) {
  complain_soft(text, span);
  throw EvalFailure(FailureCode::syntax, span);
}

}  // namespace zorm
