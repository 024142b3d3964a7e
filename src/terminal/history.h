// The history of lines entered at the terminal, kept across runs in a file:
// where the file lives, its format, and reading and appending to it safely
// while other sessions do the same.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

// The history keeps the last this many entries, in memory and in the file.
constexpr std::size_t kHistoryKept = 1000;

// The history file: $XDG_STATE_HOME/zorm/history, or
// $HOME/.local/state/zorm/history when XDG_STATE_HOME is unset, empty or
// relative (relative ones are invalid for it). None (no file, history in
// memory only) when XDG_STATE_HOME is /dev/null, or when neither gives an
// absolute directory. `kept` is the length of the leading part of the path
// that is never created: the home directory, when the file lives below it
// (a missing state directory is made, a missing home is not).
struct HistoryPlace {
  std::string path;
  std::size_t kept = 0;
  bool operator==(const HistoryPlace&) const = default;
};
std::optional<HistoryPlace> history_path(const char* state_home, const char* home);

// The file holds one entry per line; in an entry "\" is written "\\" and a
// line feed "\n", every other byte as it is.
std::string history_line(std::string_view entry);
std::string history_entry(std::string_view line);
// The entries of a history file's text, oldest first; a last line without
// its line feed counts, empty lines do not.
std::vector<std::string> history_entries(std::string_view text);
// The text of a file holding `entries`.
std::string history_text(const std::vector<std::string>& entries);

// Whether an entered line goes into the history: not empty, not blanks only,
// and free of NUL bytes (which the editor's history cannot hold).
bool worth_keeping(std::string_view line);

// The one notice about a history file that cannot be read or written.
std::string history_notice(std::string_view path, int error);

// The history file of one session. Every change happens under an exclusive
// lock on the file and is either one append or a complete new file renamed
// over the old one, so sessions running at once keep each other's lines and
// a reader never sees half an entry. A file that is neither a regular file
// nor a directory (/dev/null, a FIFO) is neither read nor written.
class HistoryFile {
 public:
  explicit HistoryFile(HistoryPlace place) : path_(std::move(place.path)), kept_(place.kept) {}
  explicit HistoryFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // Creates the missing directories (mode 0700) and the file (mode 0600) and
  // reads its last kHistoryKept entries into `entries`. Returns 0, or the
  // error that keeps the file from being read or written (after which
  // append() does nothing); a file that can be read but not written still
  // gives its entries.
  int load(std::vector<std::string>& entries);

  // Appends `entry` unless it equals the file's last entry, keeping the file
  // to its last kHistoryKept entries. Returns 0 or the error.
  int append(std::string_view entry);

 private:
  // Opens the file for appending, locked, and sure to be the file that the
  // path names now (another session may have renamed a new one into place).
  int open_locked(int* fd);
  int rewrite(int fd, const std::vector<std::string>& entries);

  std::string path_;
  std::size_t kept_ = 0;  // leading part of path_ never created
  bool writable_ = false;
};

}  // namespace zorm
