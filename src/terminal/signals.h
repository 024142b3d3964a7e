// The signals of a process at the terminal, turned into events that the line
// editor handles between two keys: a handler records its signal and writes a
// byte into a pipe, which wakes the read that waits for keys; the terminal's
// modes from before the editor are put back by the handler of the signals
// that end the process. Signals belong to the process, and so does this
// plumbing: one SignalPlumbing at a time.
#pragma once

#include <csignal>
#include <cstddef>
#include <iterator>

namespace zorm {

// The signals noted for the editor, and the signals that end the process
// after the terminal's modes are restored.
inline constexpr int kNotedSignals[] = {SIGINT, SIGTSTP, SIGCONT, SIGWINCH};
inline constexpr int kEndingSignals[] = {SIGHUP, SIGTERM, SIGQUIT};

// Whether `sig` (one of kNotedSignals) has been noted since the last call;
// clears the note.
bool take_noted(int sig);

// Bytes written to the terminal (standard output) before a signal ends the
// process, to undo a mode the editor asked the terminal for; at most 15
// bytes, none when empty. Not thread-safe; kept until changed.
void set_terminal_restore(const char* bytes);

// The handlers, the pipe and the terminal's modes to restore, for as long as
// it lives; the signals' earlier actions come back afterwards. A signal
// ignored when the program starts (a shell's background job, nohup) stays
// ignored. Raises IoError when the pipe cannot be made.
class SignalPlumbing {
 public:
  SignalPlumbing();
  ~SignalPlumbing();
  SignalPlumbing(const SignalPlumbing&) = delete;
  SignalPlumbing& operator=(const SignalPlumbing&) = delete;

  // The read end of the pipe: readable when a signal has been noted.
  int wake_fd() const;
  // Empties the pipe.
  void drain() const;

 private:
  struct Earlier {
    struct sigaction action {};
    bool replaced = false;
  };
  static void install(int sig, const struct sigaction& act, Earlier& earlier);
  static void restore(int sig, const Earlier& earlier);

  Earlier noted_[std::size(kNotedSignals)];
  Earlier ending_[std::size(kEndingSignals)];
};

}  // namespace zorm
