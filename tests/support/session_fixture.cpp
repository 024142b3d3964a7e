// Test-only: a session over in-memory streams.
#include "support/session_fixture.h"

namespace zorm::testing {

SessionFixture::SessionFixture(std::string input) : in_(std::move(input)) {
  session_ = std::make_unique<Session>(in_, out_, err_, std::vector<std::string>{"zorm"}, 12345);
}

}  // namespace zorm::testing
