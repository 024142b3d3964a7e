// What the WebAssembly module exports beyond the C interface (zorm/zorm_c.h),
// for its JavaScript face (web/zorm.mjs): where the fields of the C structs
// lie, so that JavaScript reads and writes them without a copy of the
// header's layout, and replace mode's rewriting of one line. Built into the
// module only, never into the installed library.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "api/effects.h"
#include "session/replace.h"
#include "util/text.h"
#include "zorm/zorm_c.h"

// The outcome of zorm_wasm_replace, valid until its next call.
struct zorm_wasm_rewrite {
  const char* line;  // the rewritten line, without a line feed
  std::size_t line_size;
  const char* report;  // the statements' reports, and the notice of a stopped line
  std::size_t report_size;
  const char* output;  // what the statements wrote to the output
  std::size_t output_size;
  std::size_t passes;
  int cut;   // the pass bound stopped the rewriting
  int exit;  // a statement ran @exit: the program would end before writing the line
};

namespace {

// Every field that JavaScript touches: its struct, its name and its offset.
#define ZORM_WASM_FIELDS(X)                                                                          \
  X(zorm_options, size) X(zorm_options, print_xp) X(zorm_options, print_newline)                     \
  X(zorm_options, print_unit) X(zorm_options, print_symbol) X(zorm_options, print_errors)            \
  X(zorm_options, show_error) X(zorm_options, echo_input) X(zorm_options, seeded)                    \
  X(zorm_options, seed) X(zorm_options, unit_string) X(zorm_options, unit_string_length)             \
  X(zorm_options, report_line_limit) X(zorm_result, size) X(zorm_result, kind)                       \
  X(zorm_result, failure) X(zorm_result, has_span) X(zorm_result, exit) X(zorm_result, value)        \
  X(zorm_result, span_start) X(zorm_result, span_end) X(zorm_result, text.data)                      \
  X(zorm_result, text.capacity) X(zorm_result, text.size) X(zorm_result, report.data)                \
  X(zorm_result, report.capacity) X(zorm_result, report.size) X(zorm_result, output.data)            \
  X(zorm_result, output.capacity) X(zorm_result, output.size) X(zorm_buffer, data)                   \
  X(zorm_buffer, capacity) X(zorm_buffer, size) X(zorm_wasm_rewrite, line)                           \
  X(zorm_wasm_rewrite, line_size) X(zorm_wasm_rewrite, report) X(zorm_wasm_rewrite, report_size)     \
  X(zorm_wasm_rewrite, output) X(zorm_wasm_rewrite, output_size) X(zorm_wasm_rewrite, passes)        \
  X(zorm_wasm_rewrite, cut) X(zorm_wasm_rewrite, exit)

// "struct.field=offset" entries, one a line, then "struct=size" for each struct.
std::string layout_text() {
  std::string text;
  auto add = [&text](const char* name, std::size_t value) {
    text += name;
    text += '=';
    text += zorm::Decimal(value).view();
    text += '\n';
  };
#define ZORM_WASM_FIELD(type, field) add(#type "." #field, offsetof(type, field));
  ZORM_WASM_FIELDS(ZORM_WASM_FIELD)
#undef ZORM_WASM_FIELD
  add("zorm_options", sizeof(zorm_options));
  add("zorm_result", sizeof(zorm_result));
  add("zorm_buffer", sizeof(zorm_buffer));
  add("zorm_wasm_rewrite", sizeof(zorm_wasm_rewrite));
  return text;
}

std::string_view view(const char* data, std::size_t size) { return {size == 0 ? "" : data, size}; }

// Appends the whole of one of the last statement's texts.
void append_last(std::string& to, std::size_t size,
                 std::size_t (*fetch)(const zorm_calculator*, char*, std::size_t), const zorm_calculator* calc) {
  if (size == 0) return;
  const std::size_t at = to.size();
  to.resize(at + size + 1);
  fetch(calc, to.data() + at, size + 1);
  to.resize(at + size);
}

struct Rewriting {
  std::string line, report, output, text;
  zorm_wasm_rewrite outcome{};
};

// A statement that ran @exit ends the rewriting, as it ends the program.
struct Exit {};

}  // namespace

extern "C" {

// The layout text above, NUL-terminated; static.
ZORM_API const char* zorm_wasm_layout(void) noexcept {
  static std::string text;
  try {
    if (text.empty()) text = layout_text();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return text.c_str();
}

// Rewrites `line` as replace mode does: every statement between the
// delimiters, rightmost pair first, by its result text, evaluated by `calc`.
// Returns nullptr for a NULL calc or when memory runs out.
ZORM_API const zorm_wasm_rewrite* zorm_wasm_replace(zorm_calculator* calc, const char* left, std::size_t left_size,
                                                    const char* right, std::size_t right_size, const char* line,
                                                    std::size_t line_size) noexcept {
  static Rewriting r;
  if (calc == nullptr) return nullptr;
  try {
    r.report.clear();
    r.output.clear();
    r.outcome = zorm_wasm_rewrite{};
    zorm_result result;
    zorm_result_init(&result);
    char small[64];
    result.text.data = small;
    result.text.capacity = sizeof small;
    auto eval = [&](std::string_view statement) -> std::string_view {
      zorm_evaluate(calc, statement.data(), statement.size(), &result);
      append_last(r.report, result.report.size, zorm_last_report, calc);
      append_last(r.output, result.output.size, zorm_last_output, calc);
      if (result.exit != 0) throw Exit{};
      if (result.text.size < result.text.capacity) return {small, result.text.size};
      r.text.clear();
      append_last(r.text, result.text.size, zorm_last_text, calc);
      return r.text;
    };
    try {
      const zorm::EffectCount effects = [calc] { return zorm::effect_count(calc); };
      zorm::Rewrite rw = zorm::seek_and_replace(view(left, left_size), view(right, right_size),
                                                view(line, line_size), eval, zorm::kExtraPasses, effects);
      r.line = std::move(rw.line);
      r.outcome.passes = rw.passes;
      r.outcome.cut = rw.cut;
      if (rw.cut) {
        r.report += zorm::kStoppedNoticeStart;
        r.report += zorm::Decimal(rw.passes).view();
        r.report += zorm::kStoppedNoticeEnd;
        r.report += '\n';
      }
    } catch (const Exit&) {
      r.line.clear();
      r.outcome.exit = 1;
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  r.outcome.line = r.line.c_str();
  r.outcome.line_size = r.line.size();
  r.outcome.report = r.report.c_str();
  r.outcome.report_size = r.report.size();
  r.outcome.output = r.output.c_str();
  r.outcome.output_size = r.output.size();
  return &r.outcome;
}

// The allocator, for the memory that JavaScript hands in (statements, the
// result struct and its buffers).
ZORM_API void* zorm_wasm_alloc(std::size_t bytes) noexcept { return std::malloc(bytes == 0 ? 1 : bytes); }
ZORM_API void zorm_wasm_release(void* p) noexcept { std::free(p); }

}  // extern "C"
