// The library's public face (zorm/zorm.h): a Calculator is the evaluator core
// over streams that collect in memory or forward to the embedder's.
#include "zorm/zorm.h"

#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "core/evaluator.h"
#include "lexer/lexer.h"
#include "report/failure.h"
#include "util/io.h"
#include "util/padded.h"

namespace zorm {

namespace {

// A stream of the calculator: written on to the embedder's std::ostream, when
// there is one, as it is flushed, and collected when `collect` is set.
class Sink final : public Output {
 public:
  Sink(std::ostream* forward, bool collect) : forward_(forward), collect_(collect) {}

  // What was collected since the last discard.
  std::string collected() {
    flush();
    return text_;
  }
  // Empties the collection; it keeps its capacity.
  void discard() { text_.clear(); }

 protected:
  // Not inlined: where link-time optimisation inlines it into a write of a
  // small buffer, GCC 12 cannot tell that the buffer is never handed on
  // whole and warns of an overread (-Wstringop-overread).
  [[gnu::noinline]] void sink(const char* data, std::size_t size) override {
    if (forward_ != nullptr) forward_->write(data, static_cast<std::streamsize>(size));
    if (collect_) text_.append(data, size);
  }

 private:
  std::ostream* forward_;
  bool collect_;
  std::string text_;
};

// Whether `name` is read back as one variable name: not empty, no blank
// around it, not a keyword.
bool is_variable_name(std::string_view name) {
  if (name.empty() || !in_class(static_cast<unsigned char>(name[0]), kIdStart)) return false;
  const PaddedString padded(name);
  std::size_t pos = 0, start = 0;
  double number = 0.0;
  try {
    return scan(padded.view(), pos, start, &number) == Tok::VAR && pos == name.size();
  } catch (const EvalFailure&) {
    return false;
  }
}

// The options, each applied to the core or to the calculator's streams: one
// name for every field, so that a field added to Options and applied nowhere
// does not build.
struct Applied {
  CoreSettings core;
  std::ostream* output;
  std::ostream* errors;
};
Applied apply(const Options& options) {
  const auto& [print_xp, print_newline, print_unit, print_symbol, print_errors, show_error, echo_input, unit_string,
               seed, output, errors] = options;
  return {CoreSettings{ResultFormat{print_xp, print_newline, print_unit, print_symbol, unit_string},
                       ReportFlags{print_errors, show_error, echo_input}, seed},
          output, errors};
}

}  // namespace

struct Calculator::State {
  State(Options o, const Applied& applied)
      : options(std::move(o)),
        out(applied.output, applied.output == nullptr),
        err(applied.errors, true),
        core(out, err, applied.core) {}
  explicit State(Options o) : State(o, apply(o)) {}

  // Evaluates a statement, writing its result line when `print` is set.
  Result run(std::string_view statement, bool print) {
    // Also when making the result fails, the next statement starts afresh.
    struct Fresh {
      Sink& out;
      Sink& err;
      ~Fresh() {
        out.discard();
        err.discard();
      }
    } fresh{out, err};
    Result r;
    Outcome outcome;
    try {
      outcome = core.evaluate(statement);
    } catch (const ExitRequest&) {
      r.exit = true;
    } catch (const std::bad_alloc&) {
      // The notice of a statement that ran out of memory could not be kept.
      outcome.kind = OutcomeKind::failure;
      outcome.message = "Out of memory";
    }
    switch (outcome.kind) {
      case OutcomeKind::number:
        r.kind = Kind::number;
        r.value = outcome.value;
        break;
      case OutcomeKind::no_value:
        r.kind = Kind::no_value;
        break;
      case OutcomeKind::failure:
        r.kind = Kind::failure;
        r.message = outcome.message;
        break;
    }
    r.text = core.result_text(outcome);
    if (print) core.write_result_line(statement, outcome);
    r.report = err.collected();
    r.output = out.collected();
    return r;
  }

  const Options options;
  Sink out;
  Sink err;
  Evaluator core;
};

const char* version() noexcept { return ZORM_VERSION; }

Calculator::Calculator(Options options) : state_(std::make_unique<State>(std::move(options))) {}
Calculator::~Calculator() = default;
Calculator::Calculator(Calculator&&) noexcept = default;
Calculator& Calculator::operator=(Calculator&&) noexcept = default;

const Options& Calculator::options() const { return state_->options; }

std::string Calculator::text(std::string_view statement) { return state_->run(statement, false).text; }

Result Calculator::evaluate(std::string_view statement) { return state_->run(statement, false); }

Result Calculator::print(std::string_view statement) { return state_->run(statement, true); }

std::optional<double> Calculator::value(std::string_view name) const {
  const double* v = state_->core.parser().vars().find(name);
  if (v == nullptr) return std::nullopt;
  return *v;
}

void Calculator::bind(std::string_view name, double value) {
  if (!is_variable_name(name)) throw std::invalid_argument("not a variable name: " + std::string(name));
  state_->core.parser().bind_variable(name, value);
}

std::vector<Binding> Calculator::variables() const {
  std::vector<Binding> all;
  const VarTable& vars = state_->core.parser().vars();
  all.reserve(vars.size());
  vars.traverse([&all](std::string_view name, double value) { all.push_back({std::string(name), value}); });
  return all;
}

}  // namespace zorm
