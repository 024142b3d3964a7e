// The signal plumbing of the line editor.
#include "terminal/signals.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "util/io.h"

namespace zorm {

namespace {

volatile sig_atomic_t g_noted[std::size(kNotedSignals)] = {};  // set by the handler
int g_wake[2] = {-1, -1};                                      // the pipe: read end, write end
struct termios g_terminal_modes;
volatile sig_atomic_t g_have_terminal_modes = 0;
char g_restore_bytes[16] = {};
volatile sig_atomic_t g_restore_length = 0;

void note_signal(int sig) {
  const int saved = errno;
  for (std::size_t i = 0; i < std::size(kNotedSignals); ++i)
    if (kNotedSignals[i] == sig) g_noted[i] = 1;
  const char byte = 0;
  if (::write(g_wake[1], &byte, 1) < 0) {
    // The pipe is full: a wake-up is pending already.
  }
  errno = saved;
}

void restore_terminal_and_end(int sig) {
  if (g_have_terminal_modes) ::tcsetattr(STDIN_FILENO, TCSANOW, &g_terminal_modes);
  if (g_restore_length > 0 && ::write(STDOUT_FILENO, g_restore_bytes, static_cast<std::size_t>(g_restore_length)) < 0) {
    // Nothing more can be done on the way out.
  }
  // The handler was installed with SA_RESETHAND: the signal, raised again,
  // ends the process as it would have without it.
  ::raise(sig);
}

}  // namespace

bool take_noted(int sig) {
  for (std::size_t i = 0; i < std::size(kNotedSignals); ++i)
    if (kNotedSignals[i] == sig && g_noted[i]) {
      g_noted[i] = 0;
      return true;
    }
  return false;
}

void set_terminal_restore(const char* bytes) {
  g_restore_length = 0;
  std::size_t n = 0;
  while (bytes[n] != '\0' && n + 1 < sizeof g_restore_bytes) {
    g_restore_bytes[n] = bytes[n];
    ++n;
  }
  g_restore_length = static_cast<sig_atomic_t>(n);
}

SignalPlumbing::SignalPlumbing() {
  if (::tcgetattr(STDIN_FILENO, &g_terminal_modes) == 0) g_have_terminal_modes = 1;
  if (::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) throw IoError(errno);
  struct sigaction noted {};
  noted.sa_handler = note_signal;
  noted.sa_flags = SA_RESTART;
  sigemptyset(&noted.sa_mask);
  struct sigaction ending {};
  ending.sa_handler = restore_terminal_and_end;
  ending.sa_flags = SA_RESETHAND;
  sigemptyset(&ending.sa_mask);
  for (std::size_t i = 0; i < std::size(kNotedSignals); ++i) install(kNotedSignals[i], noted, noted_[i]);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) install(kEndingSignals[i], ending, ending_[i]);
}

SignalPlumbing::~SignalPlumbing() {
  for (std::size_t i = 0; i < std::size(kNotedSignals); ++i) restore(kNotedSignals[i], noted_[i]);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) restore(kEndingSignals[i], ending_[i]);
  for (int& fd : g_wake) {
    ::close(fd);
    fd = -1;
  }
}

int SignalPlumbing::wake_fd() const { return g_wake[0]; }

void SignalPlumbing::drain() const {
  char drained[64];
  while (::read(g_wake[0], drained, sizeof drained) > 0) {
  }
}

void SignalPlumbing::install(int sig, const struct sigaction& act, Earlier& earlier) {
  if (::sigaction(sig, nullptr, &earlier.action) != 0 || earlier.action.sa_handler == SIG_IGN) return;
  earlier.replaced = ::sigaction(sig, &act, nullptr) == 0;
}

void SignalPlumbing::restore(int sig, const Earlier& earlier) {
  if (earlier.replaced) ::sigaction(sig, &earlier.action, nullptr);
}

}  // namespace zorm
