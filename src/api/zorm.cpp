// The library's public face (zorm/zorm.h): a Calculator is a session without
// an input whose streams collect in memory or forward to the embedder's.
#include "zorm/zorm.h"

#include <cmath>
#include <new>
#include <ostream>
#include <stdexcept>
#include <utility>

#include "driver/session.h"
#include "lexer/mathcommon.h"
#include "lexer/mathlexer.h"
#include "util/io.h"
#include "util/soff.h"

namespace zorm {

namespace {

// A stream of the session: written on to the embedder's std::ostream, when
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

// A statement's outcome from the session's; rethrows nothing.
Session::Evaluation eval_alone(Session& session, std::string_view statement) {
  try {
    return session.eval(statement);
  } catch (const std::bad_alloc&) {
    // The notice of a statement that ran out of memory could not be kept.
    return {Session::Evaluation::Kind::failure, 0.0, "Out of memory", false};
  }
}

// The result line as print_eval writes it for the program (a test holds the
// two to the same text); print_eval itself evaluates as it prints, in the
// per-line path. Not shared with it: with this function called from
// print_eval's slow path, or inline from a header, the program took 9 to 19
// instructions more a vars line and about 1.1 times the CPU time in paired
// runs both ways (bench/compare.py --workload vars).
void write_line(Session& session, std::string_view statement, std::string_view text) {
  const Settings& settings = session.settings();
  if (!settings.print_unit && text == settings.unit_string) return;
  Output& out = session.io().out();
  if (settings.print_xp) {
    out.write(statement);
    out.write(" = ");
    if (settings.print_newline) out.end_line();
  }
  if (settings.print_symbol) out.write("> ");
  out.write(text);
  out.end_line();
}

// Whether `name` is read back as one variable name: not empty, no blank
// around it, not a keyword.
bool is_variable_name(std::string_view name) {
  if (name.empty() || !in_class(static_cast<unsigned char>(name[0]), kIdStart)) return false;
  const PaddedString padded(name);
  InputBuffer buf(padded.view());
  double number = 0.0;
  try {
    return token(buf, &number) == Tok::VAR && buf.token_end == name.size();
  } catch (const EvalFailure&) {
    return false;
  }
}

}  // namespace

struct Calculator::State {
  explicit State(Options o)
      : options(std::move(o)),
        out(options.output, options.output == nullptr),
        err(options.errors, true),
        session(out, err, {}, options.seed) {
    Settings& driver = session.settings();
    driver.print_xp = options.print_xp;
    driver.print_newline = options.print_newline;
    driver.print_unit = options.print_unit;
    driver.print_symbol = options.print_symbol;
    driver.unit_string = options.unit_string;
    ReportFlags& flags = session.flags();
    flags.print_errors = options.print_errors;
    flags.show_error = options.show_error;
    flags.echo_input = options.echo_input;
  }

  // Evaluates a statement, printing its result line when `print` is set.
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
    const Session::Evaluation e = eval_alone(session, statement);
    Result r;
    r.value = e.value;
    r.exit = e.exit;
    switch (e.kind) {
      case Session::Evaluation::Kind::number:
        r.kind = Kind::number;
        if (std::isnan(e.value)) {
          r.text = "NaN";
        } else {
          char number[40];
          r.text.assign(number, soff(e.value, number));
        }
        break;
      case Session::Evaluation::Kind::no_value:
        r.kind = Kind::no_value;
        r.text = options.unit_string;
        break;
      case Session::Evaluation::Kind::failure:
        r.kind = Kind::failure;
        r.text = "Error.";
        r.message = e.message;
        break;
    }
    if (print) write_line(session, statement, r.text);
    r.report = err.collected();
    r.output = out.collected();
    return r;
  }

  const Options options;
  Sink out;
  Sink err;
  Session session;
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
  const double* v = state_->session.evaluator().vars().find(name);
  if (v == nullptr) return std::nullopt;
  return *v;
}

void Calculator::bind(std::string_view name, double value) {
  if (!is_variable_name(name)) throw std::invalid_argument("not a variable name: " + std::string(name));
  state_->session.evaluator().bind_local_var(name, value);
}

std::vector<Binding> Calculator::variables() const {
  std::vector<Binding> all;
  const VarTable& vars = state_->session.evaluator().vars();
  all.reserve(vars.size());
  vars.traverse([&all](std::string_view name, double value) { all.push_back({std::string(name), value}); });
  return all;
}

}  // namespace zorm
