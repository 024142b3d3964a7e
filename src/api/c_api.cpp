// The C interface (zorm/zorm_c.h) over the C++ one: a handle holds a
// Calculator and the last statement's result, whose texts are copied out
// into the caller's buffers. Nothing C++ crosses: every function catches.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/effects.h"
#include "report/failure.h"
#include "zorm/zorm.h"
#include "zorm/zorm_c.h"

namespace {

using zorm::Failure;
using zorm::Kind;

// The C interface's kinds and failure codes are the C++ interface's.
constexpr bool same_codes() {
  const std::pair<int, Kind> kinds[] = {{ZORM_KIND_NUMBER, Kind::number},
                                        {ZORM_KIND_NO_VALUE, Kind::no_value},
                                        {ZORM_KIND_FAILURE, Kind::failure}};
  for (const auto& [c, cpp] : kinds)
    if (c != static_cast<int>(cpp)) return false;
  const std::pair<int, Failure> failures[] = {
      {ZORM_FAILURE_NONE, Failure::none},
      {ZORM_FAILURE_SYNTAX, Failure::syntax},
      {ZORM_FAILURE_UNBOUND_VARIABLE, Failure::unbound_variable},
      {ZORM_FAILURE_LEXICAL, Failure::lexical},
      {ZORM_FAILURE_BAD_NUMBER, Failure::bad_number},
      {ZORM_FAILURE_DOMAIN, Failure::domain},
      {ZORM_FAILURE_TOO_BIG, Failure::too_big},
      {ZORM_FAILURE_OUT_OF_MEMORY, Failure::out_of_memory},
      {ZORM_FAILURE_OUTPUT, Failure::output},
  };
  for (const auto& [c, cpp] : failures)
    if (c != static_cast<int>(cpp)) return false;
  return true;
}
static_assert(same_codes());

// Writes text as zorm_buffer says and returns its length.
std::size_t copy_out(std::string_view text, char* data, std::size_t capacity) {
  if (data != nullptr && capacity > 0) {
    const std::size_t n = std::min(text.size(), capacity - 1);
    if (n > 0) std::memcpy(data, text.data(), n);
    data[n] = '\0';
  }
  return text.size();
}

void copy_out(std::string_view text, zorm_buffer& buffer) {
  buffer.size = copy_out(text, buffer.data, buffer.capacity);
}

std::string_view as_view(const char* data, std::size_t length) {
  return {data == nullptr ? "" : data, length};
}

}  // namespace

struct zorm_calculator {
  explicit zorm_calculator(zorm::Options options) : calc(std::move(options)) {}
  zorm::Calculator calc;
  zorm::Result last;
};

namespace {

int run(zorm_calculator* calc, const char* statement, std::size_t length, zorm_result* result, bool print) {
  if (calc == nullptr || result == nullptr || result->size < sizeof(zorm_result) ||
      (statement == nullptr && length != 0))
    return ZORM_STATUS_INVALID_ARGUMENT;
  // The last statement's texts go before this one runs.
  calc->last = zorm::Result{};
  try {
    const std::string_view text = as_view(statement, length);
    calc->last = print ? calc->calc.print(text) : calc->calc.evaluate(text);
  } catch (...) {
    // std::bad_alloc, the one exception evaluate() raises: the result could
    // not be made. Its texts are short and need no memory.
    zorm::Result& r = calc->last;
    r = zorm::Result{};
    r.kind = Kind::failure;
    r.failure = Failure::out_of_memory;
    r.message = zorm::failure_message(zorm::FailureCode::out_of_memory);
    r.text = "Error.";
  }
  const zorm::Result& r = calc->last;
  result->kind = static_cast<int>(r.kind);
  result->failure = static_cast<int>(r.failure);
  result->value = r.value;
  result->has_span = r.span.has_value();
  result->span_start = r.span ? r.span->start : 0;
  result->span_end = r.span ? r.span->end : 0;
  result->exit = r.exit;
  copy_out(r.text, result->text);
  copy_out(r.report, result->report);
  copy_out(r.output, result->output);
  return ZORM_STATUS_OK;
}

}  // namespace

std::uint64_t zorm::effect_count(zorm_calculator* calc) noexcept {
  if (calc == nullptr) return 0;
  try {
    return effect_count(calc->calc);
  } catch (...) {
    // The state of a calculator moved from could not be made: it has no effects.
    return 0;
  }
}

extern "C" {

const char* zorm_failure_message(int failure) noexcept {
  if (failure < 0 || failure > ZORM_FAILURE_OUTPUT) return "";
  return zorm::failure_message(static_cast<zorm::FailureCode>(failure));
}

const char* zorm_version(void) noexcept { return zorm::version(); }

void zorm_options_init(zorm_options* options) noexcept {
  if (options == nullptr) return;
  const zorm::Options defaults;
  *options = zorm_options{};
  options->size = sizeof(zorm_options);
  options->print_xp = defaults.print_xp;
  options->print_newline = defaults.print_newline;
  options->print_unit = defaults.print_unit;
  options->print_symbol = defaults.print_symbol;
  options->print_errors = defaults.print_errors;
  options->show_error = defaults.show_error;
  options->echo_input = defaults.echo_input;
  options->seeded = defaults.seed.has_value();
  options->seed = defaults.seed.value_or(0);
  options->unit_string = nullptr;  // the default's
  options->unit_string_length = 0;
  options->report_line_limit = defaults.report_line_limit;
}

int zorm_new(const zorm_options* options, zorm_calculator** calc) noexcept {
  if (calc == nullptr) return ZORM_STATUS_INVALID_ARGUMENT;
  *calc = nullptr;
  if (options != nullptr && (options->size < sizeof(zorm_options) ||
                             (options->unit_string == nullptr && options->unit_string_length != 0)))
    return ZORM_STATUS_INVALID_ARGUMENT;
  try {
    zorm::Options o;
    if (options != nullptr) {
      o.print_xp = options->print_xp != 0;
      o.print_newline = options->print_newline != 0;
      o.print_unit = options->print_unit != 0;
      o.print_symbol = options->print_symbol != 0;
      o.print_errors = options->print_errors != 0;
      o.show_error = options->show_error != 0;
      o.echo_input = options->echo_input != 0;
      if (options->seeded != 0) o.seed = options->seed;
      if (options->unit_string != nullptr)
        o.unit_string.assign(options->unit_string, options->unit_string_length);
      o.report_line_limit = options->report_line_limit;
    }
    *calc = new zorm_calculator(std::move(o));
    return ZORM_STATUS_OK;
  } catch (...) {
    return ZORM_STATUS_OUT_OF_MEMORY;
  }
}

void zorm_free(zorm_calculator* calc) noexcept { delete calc; }

void zorm_result_init(zorm_result* result) noexcept {
  if (result == nullptr) return;
  *result = zorm_result{};
  result->size = sizeof(zorm_result);
}

int zorm_evaluate(zorm_calculator* calc, const char* statement, size_t length, zorm_result* result) noexcept {
  return run(calc, statement, length, result, false);
}

int zorm_print(zorm_calculator* calc, const char* statement, size_t length, zorm_result* result) noexcept {
  return run(calc, statement, length, result, true);
}

size_t zorm_last_text(const zorm_calculator* calc, char* data, size_t capacity) noexcept {
  return calc == nullptr ? 0 : copy_out(calc->last.text, data, capacity);
}

size_t zorm_last_report(const zorm_calculator* calc, char* data, size_t capacity) noexcept {
  return calc == nullptr ? 0 : copy_out(calc->last.report, data, capacity);
}

size_t zorm_last_output(const zorm_calculator* calc, char* data, size_t capacity) noexcept {
  return calc == nullptr ? 0 : copy_out(calc->last.output, data, capacity);
}

int zorm_bind(zorm_calculator* calc, const char* name, size_t length, double value) noexcept {
  if (calc == nullptr || (name == nullptr && length != 0)) return ZORM_STATUS_INVALID_ARGUMENT;
  try {
    calc->calc.bind(as_view(name, length), value);
    return ZORM_STATUS_OK;
  } catch (const std::invalid_argument&) {
    return ZORM_STATUS_NOT_A_NAME;
  } catch (...) {
    return ZORM_STATUS_OUT_OF_MEMORY;
  }
}

int zorm_unbind(zorm_calculator* calc, const char* name, size_t length) noexcept {
  if (calc == nullptr || (name == nullptr && length != 0)) return ZORM_STATUS_INVALID_ARGUMENT;
  return calc->calc.unbind(as_view(name, length)) ? ZORM_STATUS_OK : ZORM_STATUS_UNBOUND;
}

int zorm_clear(zorm_calculator* calc) noexcept {
  if (calc == nullptr) return ZORM_STATUS_INVALID_ARGUMENT;
  calc->calc.clear();
  return ZORM_STATUS_OK;
}

int zorm_value(const zorm_calculator* calc, const char* name, size_t length, double* value) noexcept {
  if (calc == nullptr || value == nullptr || (name == nullptr && length != 0))
    return ZORM_STATUS_INVALID_ARGUMENT;
  const std::optional<double> v = calc->calc.value(as_view(name, length));
  if (!v) return ZORM_STATUS_UNBOUND;
  *value = *v;
  return ZORM_STATUS_OK;
}

int zorm_variables(const zorm_calculator* calc, zorm_buffer* names, double* values, size_t values_capacity,
                   size_t* count) noexcept {
  if (calc == nullptr) return ZORM_STATUS_INVALID_ARGUMENT;
  try {
    const std::vector<zorm::Binding> all = calc->calc.variables();
    std::size_t bytes = 0, written = 0;
    bool room = true;
    for (const zorm::Binding& b : all) {
      const std::size_t at = bytes;
      bytes += b.name.size() + 1;
      room = room && written < (values == nullptr ? all.size() : values_capacity) &&
             (names == nullptr || (names->data != nullptr && bytes <= names->capacity));
      if (!room) continue;
      if (names != nullptr) std::memcpy(names->data + at, b.name.c_str(), b.name.size() + 1);
      if (values != nullptr) values[written] = b.value;
      ++written;
    }
    if (names != nullptr) names->size = bytes;
    if (count != nullptr) *count = all.size();
    return ZORM_STATUS_OK;
  } catch (...) {
    return ZORM_STATUS_OUT_OF_MEMORY;
  }
}

}  // extern "C"
