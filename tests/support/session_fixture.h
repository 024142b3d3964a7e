// Test-only: a session, or the evaluator core alone, over in-memory streams,
// with a fixed random seed.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/evaluator.h"
#include "session/session.h"
#include "util/io.h"

namespace zorm::testing {

// The result text of a statement evaluated by `core`.
inline std::string_view text_of(Evaluator& core, std::string_view statement) {
  return core.result_text(core.evaluate(statement));
}

// Merged standard output and standard error, as a 2>&1 redirection gives
// them, beside each stream alone.
class MemoryStreams {
 public:
  std::string out() { return out_.text(); }
  std::string err() { return err_.text(); }
  std::string merged() {
    out_.text();
    err_.text();
    return merged_;
  }
  // Room for `bytes` of output on each stream, so that writing allocates
  // nothing (for tests where allocations fail).
  void reserve(std::size_t bytes) {
    out_.reserve(bytes);
    err_.reserve(bytes);
    merged_.reserve(2 * bytes);
  }

 protected:
  std::string merged_;
  StringOutput out_{&merged_};
  StringOutput err_{&merged_};
};

// A session for direct calls of its operations.
class SessionFixture : public MemoryStreams {
 public:
  explicit SessionFixture(std::string input = "");
  Session& session() { return *session_; }
  Evaluator& core() { return session_->core(); }
  std::string_view text(std::string_view statement) { return text_of(core(), statement); }

 private:
  StringInput in_;
  std::unique_ptr<Session> session_;
};

// The core alone, made as the library makes it.
class CoreFixture : public MemoryStreams {
 public:
  explicit CoreFixture(const CoreSettings& settings = CoreSettings{ResultFormat{}, ReportFlags{}, 12345})
      : core_(std::make_unique<Evaluator>(out_, err_, settings)) {}
  Evaluator& core() { return *core_; }
  std::string_view text(std::string_view statement) { return text_of(core(), statement); }

 private:
  std::unique_ptr<Evaluator> core_;
};

}  // namespace zorm::testing
