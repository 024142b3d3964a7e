// Test-only: a session over in-memory streams, with a fixed random seed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/session.h"
#include "util/io.h"

namespace zorm::testing {

struct Run {
  std::string out;
  std::string err;
  std::string merged;  // both streams in the order they were written
  int status = 0;
};

// Runs a whole session: argv (the invocation name first) over `input`.
Run run_session(std::vector<std::string> argv, std::string input = "");

// A session for direct calls of its operations.
class SessionFixture {
 public:
  explicit SessionFixture(std::string input = "");
  Session& session() { return *session_; }
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

 private:
  std::string merged_;
  StringInput in_;
  StringOutput out_{&merged_};
  StringOutput err_{&merged_};
  std::unique_ptr<Session> session_;
};

}  // namespace zorm::testing
