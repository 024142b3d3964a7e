// Fuzz target: replace-mode rewriting of one line, with any delimiters and
// unit string, through seek_and_replace and a real session's str.
//
// The first byte picks the lengths of the left and right delimiters (bits
// 0-1 and 2-3, 0 to 3 bytes each, taken from the bytes that follow) and the
// unit string (bits 4-5); bit 6 flips the echo-input flag. The rest is the
// line (at most 4 KB).
//
// Invariants: the rewriting returns within the pass bound, and it gives the
// same line, pass count and cut as a plain rewrite that searches the whole
// line again on every pass, run on a second session with the same seed. The
// plain rewrite is quadratic, so lines that need more than kCompared passes
// (result texts that keep forming delimiters) are only checked for the bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "session/replace.h"
#include "session/session.h"
#include "support/session_fixture.h"
#include "support/rescan_model.h"
#include "fuzz_support.h"

using namespace zorm;
using namespace zorm::fuzz;

namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr std::size_t kCompared = 256;
constexpr std::string_view kUnits[] = {"()", "", "[[]]", "x"};

struct Setup {
  StringInput in{""};
  ChunkOutput out;
  ChunkOutput err;
  Session session{in, out, err, {"zorm"}, 11};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return -1;
  const std::uint8_t sel = data[0];
  std::size_t lsize = sel & 3, rsize = (sel >> 2) & 3;
  if (size < 1 + lsize + rsize || size > 1 + lsize + rsize + kMaxLine) return -1;
  const char* p = reinterpret_cast<const char*>(data + 1);
  const std::string left(p, lsize);
  const std::string right(p + lsize, rsize);
  const std::string line(p + lsize + rsize, size - 1 - lsize - rsize);

  Setup a, b;
  for (Setup* x : {&a, &b}) {
    x->session.core().format().unit_string = std::string(kUnits[(sel >> 4) & 3]);
    if (sel & 64) x->session.core().report_flags().echo_input = !x->session.core().report_flags().echo_input;
  }

  Rewrite want;
  bool want_exit = false, compared = true;
  try {
    auto model = zorm::testing::rescan_model(
        left, right, line, [&b](std::string_view t) { return zorm::testing::text_of(b.session.core(), t); }, kExtraPasses, kCompared);
    compared = model.has_value();
    if (model) want = *model;
  } catch (const ExitRequest&) {
    want_exit = true;
  }
  Rewrite got;
  bool got_exit = false;
  try {
    got = seek_and_replace(left, right, line, [&a](std::string_view t) { return zorm::testing::text_of(a.session.core(), t); });
  } catch (const ExitRequest&) {
    got_exit = true;
  }
  if (got.passes > zorm::testing::count_occurrences(line, right) + kExtraPasses) fail("pass bound exceeded");
  if (!compared) return 0;
  if (got_exit != want_exit) fail("exit command seen by one rewrite only");
  if (got_exit) return 0;
  if (got.line != want.line) fail("rewritten line differs from the plain rewrite", got.line + "\n---\n" + want.line);
  if (got.passes != want.passes || got.cut != want.cut) fail("pass count or cut differs from the plain rewrite");
  if (a.out.text() != b.out.text() || a.err.text() != b.err.text()) fail("evaluation output differs from the plain rewrite");
  return 0;
}
