// The library's public face (zorm/zorm.h): a Calculator is the evaluator core
// over streams that collect in memory or forward to the embedder's.
#include "zorm/zorm.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <new>
#include <random>
#include <stdexcept>
#include <utility>

#include <unistd.h>

#include "api/effects.h"
#include "api/sink.h"
#include "core/evaluator.h"
#include "lexer/lexer.h"
#include "report/failure.h"
#include "util/padded.h"

namespace zorm {

namespace {

// The interface's failure codes are the core's.
constexpr bool same_codes() {
  const std::pair<Failure, FailureCode> pairs[] = {
      {Failure::none, FailureCode::none},
      {Failure::syntax, FailureCode::syntax},
      {Failure::unbound_variable, FailureCode::unbound_variable},
      {Failure::lexical, FailureCode::lexical},
      {Failure::bad_number, FailureCode::bad_number},
      {Failure::domain, FailureCode::domain},
      {Failure::too_big, FailureCode::too_big},
      {Failure::out_of_memory, FailureCode::out_of_memory},
      {Failure::output, FailureCode::output},
  };
  for (const auto& [outside, inside] : pairs)
    if (static_cast<int>(outside) != static_cast<int>(inside)) return false;
  return true;
}
static_assert(same_codes());

// What a calculator holds on to between statements, at most, for the copy
// of a statement and for the parse stacks; a larger statement's memory goes
// back after it.
constexpr std::size_t kKeptBytes = std::size_t{1} << 16;

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

// A seed for a calculator made without one: the system's entropy, and a
// count of the seeds made in the process, so that calculators made at once
// in any threads differ also where the entropy would repeat itself.
std::uint64_t fresh_seed() {
  static std::atomic<std::uint64_t> made{0};
  const std::uint64_t count = made.fetch_add(1, std::memory_order_relaxed);
  std::uint64_t entropy;
  try {
    std::random_device device;
    entropy = (std::uint64_t{device()} << 32) ^ device();
  } catch (const std::exception&) {
    // No entropy to be had: the clock and the process id.
    entropy = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
              (static_cast<std::uint64_t>(getpid()) << 40);
  }
  // Distinct counts give distinct seeds for any one entropy.
  return entropy ^ (count * 0x9E3779B97F4A7C15ull);
}

// The options, each applied to the core or to the calculator's streams: one
// name for every field, so that a field added to Options and applied nowhere
// does not build.
struct Applied {
  CoreSettings core;
  std::ostream* output;
  std::ostream* errors;
  std::size_t report_line_limit;
};
Applied apply(const Options& options) {
  const auto& [print_xp, print_newline, print_unit, print_symbol, print_errors, show_error, echo_input, unit_string,
               seed, output, errors, report_line_limit] = options;
  return {CoreSettings{ResultFormat{print_xp, print_newline, print_unit, print_symbol, unit_string},
                       ReportFlags{print_errors, show_error, echo_input}, seed ? *seed : fresh_seed()},
          output, errors, report_line_limit};
}

// The options of a calculator moved from.
const Options kDefaultOptions{};

}  // namespace

struct Calculator::State {
  State(Options o, const Applied& applied)
      : options(std::move(o)),
        out(applied.output, applied.output == nullptr, 0, Sink::WhenShort::fail),
        err(applied.errors, true, applied.report_line_limit, Sink::WhenShort::cut),
        core(out, err, applied.core) {}
  explicit State(Options o) : State(o, apply(o)) {}

  // Evaluates a statement, writing its result line when `print` is set.
  Result run(std::string_view statement, bool print) {
    // Nothing is left of the last statement, also when making its result
    // failed or a stream failed; and what this one takes beyond a short
    // statement's needs goes back after it, however it ends.
    if (!clean) {
      out.reset();
      err.reset();
    }
    clean = false;
    struct GiveBack {
      Evaluator& core;
      ~GiveBack() { core.give_back(kKeptBytes); }
    } give_back{core};
    Result r;
    Outcome outcome;
    try {
      outcome = core.evaluate(statement);
    } catch (const ExitRequest&) {
      r.exit = true;
    } catch (const std::bad_alloc&) {
      // The notice of a statement that ran out of memory could not be kept.
      outcome.kind = OutcomeKind::failure;
      outcome.code = FailureCode::out_of_memory;
      outcome.message = failure_message(outcome.code);
    }
    if (print) core.write_result_line(statement, outcome);
    err.take(r.report);
    out.take(r.output);
    const bool stream_failed = out.forward_failed() || err.forward_failed();
    clean = !stream_failed;
    if (stream_failed && outcome.kind != OutcomeKind::failure) {
      outcome = Outcome{};
      outcome.kind = OutcomeKind::failure;
      outcome.code = FailureCode::output;
      outcome.message = failure_message(outcome.code);
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
        r.failure = static_cast<Failure>(outcome.code);
        r.message = outcome.message;
        if (outcome.has_span) r.span = TextSpan{outcome.span.start, outcome.span.end};
        break;
    }
    r.text = core.result_text(outcome);
    return r;
  }

  const Options options;
  Sink out;
  Sink err;
  Evaluator core;
  bool clean = true;  // the last statement's result was made and its streams were fine
};

const char* version() noexcept { return ZORM_VERSION; }

Calculator::Calculator(Options options) : state_(std::make_unique<State>(std::move(options))) {}
Calculator::~Calculator() = default;
Calculator::Calculator(Calculator&&) noexcept = default;
Calculator& Calculator::operator=(Calculator&&) noexcept = default;

// The state of a calculator, made anew for one moved from. Not a member, so
// that the library exports the interface alone.
struct CalculatorState {
  static Calculator::State& of(Calculator& calc) {
    if (!calc.state_) calc.state_ = std::make_unique<Calculator::State>(Options{});
    return *calc.state_;
  }
};

std::uint64_t effect_count(Calculator& calc) { return CalculatorState::of(calc).core.parser().effects(); }

const Options& Calculator::options() const noexcept { return state_ ? state_->options : kDefaultOptions; }

std::string Calculator::text(std::string_view statement) { return CalculatorState::of(*this).run(statement, false).text; }

Result Calculator::evaluate(std::string_view statement) { return CalculatorState::of(*this).run(statement, false); }

Result Calculator::print(std::string_view statement) { return CalculatorState::of(*this).run(statement, true); }

std::optional<double> Calculator::value(std::string_view name) const noexcept {
  if (!state_) return std::nullopt;
  const double* v = state_->core.parser().vars().find(name);
  if (v == nullptr) return std::nullopt;
  return *v;
}

void Calculator::bind(std::string_view name, double value) {
  if (!is_variable_name(name)) throw std::invalid_argument("not a variable name: " + std::string(name));
  CalculatorState::of(*this).core.parser().bind_variable(name, value);
}

bool Calculator::unbind(std::string_view name) noexcept {
  return state_ && state_->core.parser().vars().remove(name);
}

void Calculator::clear() noexcept {
  if (state_) state_->core.parser().vars().clear();
}

std::vector<Binding> Calculator::variables() const {
  std::vector<Binding> all;
  if (!state_) return all;
  const VarTable& vars = state_->core.parser().vars();
  all.reserve(vars.size());
  vars.traverse([&all](std::string_view name, double value) { all.push_back({std::string(name), value}); });
  return all;
}

}  // namespace zorm
