// Test-only: a session over in-memory streams.
#include "support/session_fixture.h"

namespace zorm::testing {

Run run_session(std::vector<std::string> argv, std::string input) {
  Run run;
  StringInput in(std::move(input));
  StringOutput out(&run.merged);
  StringOutput err(&run.merged);
  Session session(in, out, err, std::move(argv), 12345);
  run.status = session.main();
  run.out = out.text();
  run.err = err.text();
  return run;
}

SessionFixture::SessionFixture(std::string input) : in_(std::move(input)) {
  session_ = std::make_unique<Session>(in_, out_, err_, std::vector<std::string>{"zorm"}, 12345);
}

}  // namespace zorm::testing
