// The padded copy of a statement given without padding (a replace-mode
// statement, a command-line word): PaddedString (a plain array, one memmove
// and one store of the NULs) against a std::string assigned and then
// appended the padding, on the statements of the replace workload's prose.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "inputs.h"
#include "util/padded.h"

namespace zorm::bench {
namespace {

// The statements between "[[" and "]]" in the prose, as replace mode hands
// them to the session one at a time.
const std::vector<std::string_view>& statements() {
  static const std::vector<std::string_view> all = [] {
    std::vector<std::string_view> v;
    for (PaddedView line : prose_lines().lines) {
      const std::string_view t = line.text();
      for (std::size_t open = t.find("[["); open != std::string_view::npos; open = t.find("[[", open + 2)) {
        const std::size_t close = t.find("]]", open + 2);
        if (close == std::string_view::npos) break;
        v.push_back(t.substr(open + 2, close - open - 2));
      }
    }
    return v;
  }();
  return all;
}

// The plain version: the copy as a std::string, the padding appended.
class PlainPadded {
 public:
  void assign(std::string_view text) {
    bytes_.assign(text.data(), text.size());
    bytes_.append(kPadding, '\0');
  }
  PaddedView view() const { return PaddedView::trusted({bytes_.data(), bytes_.size() - kPadding}); }

 private:
  std::string bytes_;
};

template <class Copy>
void padded_copy(benchmark::State& state) {
  const std::vector<std::string_view>& all = statements();
  require(!all.empty(), "the prose holds statements");
  Copy copy;
  PaddedString check;
  for (std::string_view s : all) {
    copy.assign(s);
    check.assign(s);
    const std::string_view a = copy.view().text(), b = check.view().text();
    require(a == s && b == s && a.data()[a.size()] == '\0' && b.data()[b.size()] == '\0', "both copies are padded");
  }
  for (auto _ : state) {
    for (std::string_view s : all) {
      copy.assign(s);
      benchmark::DoNotOptimize(copy.view().text().data());
    }
    benchmark::ClobberMemory();
  }
  set_items(state, all.size(), "statement");
}
BENCHMARK(padded_copy<PaddedString>)->Name("PaddedCopy/array");
BENCHMARK(padded_copy<PlainPadded>)->Name("PaddedCopy/plain_string");

}  // namespace
}  // namespace zorm::bench
