// Fuzz target: the command-line parser. The input, split at NUL bytes, is the
// list of words after the invocation name (at most 4 KB, at most 64 words);
// a list holding --eval-file or ef is skipped, since it would name a file.
// Session::main runs over an empty standard input.
//
// Invariants: the status is 0 or 2, and it is 2 exactly when standard error
// ends with the fatal-failure line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "session/session.h"
#include "fuzz_support.h"

using namespace zorm;
using namespace zorm::fuzz;

namespace {

constexpr std::size_t kMaxInput = 4096;
constexpr std::size_t kMaxWords = 64;

bool ends_with_fatal_line(const std::string& err) {
  if (err.empty() || err.back() != '\n') return false;
  std::size_t start = err.rfind('\n', err.size() - 2);
  start = start == std::string::npos ? 0 : start + 1;
  std::string_view last(err.data() + start, err.size() - start - 1);
  constexpr std::string_view kHead = "Fatal error: exception ";
  if (last.substr(0, kHead.size()) != kHead) return false;
  std::string_view rest = last.substr(kHead.size());
  std::size_t paren = rest.find("(\"");
  if (paren == std::string_view::npos || paren == 0 || rest.size() < paren + 4) return false;
  return rest.substr(rest.size() - 2) == "\")";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return -1;
  std::vector<std::string> argv{"zorm"};
  std::string_view in(reinterpret_cast<const char*>(data), size);
  if (!in.empty()) {
    for (std::size_t from = 0;;) {
      std::size_t nul = in.find('\0', from);
      argv.emplace_back(in.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
      if (nul == std::string_view::npos) break;
      from = nul + 1;
    }
  }
  if (argv.size() > kMaxWords + 1) return -1;
  for (const std::string& w : argv)
    if (w == "--eval-file" || w == "ef") return -1;

  StringInput stdin_text("");
  ChunkOutput out;
  ChunkOutput err;
  int status;
  {
    Session s(stdin_text, out, err, argv, 3);
    status = s.main();
  }
  const std::string& e = err.text();
  if (status != 0 && status != 2) fail("exit status other than 0 and 2");
  const bool fatal = ends_with_fatal_line(e);
  if ((status == 2) != fatal) fail(status == 2 ? "status 2 without the fatal line" : "fatal line with status 0", e);
  return 0;
}
