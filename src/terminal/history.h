// The history of lines entered at the terminal, kept across runs in a file:
// where the file lives, its format, whose it may be, and reading and
// appending to it safely while other sessions do the same.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zorm {

// The history keeps the last this many entries, in memory and in the file.
constexpr std::size_t kHistoryKept = 1000;
// An entry longer than this is neither saved nor read back.
constexpr std::size_t kHistoryEntryMax = 8192;
// A file larger than this is not the history's to handle: it is treated as
// one that cannot be read. The file itself never grows near it (see append).
constexpr off_t kHistoryFileMax = off_t{64} << 20;

// The history file: $XDG_STATE_HOME/zorm/history, or
// $HOME/.local/state/zorm/history when XDG_STATE_HOME is unset, empty or
// relative (relative ones are invalid for it). None (no file, history in
// memory only) when XDG_STATE_HOME is /dev/null, or when neither gives an
// absolute directory. `kept` is the length of the leading part of the path
// that is never created: the home directory, when the file lives below it
// (a missing state directory is made, a missing home is not). `home` is
// HOME when it is absolute: whose the files there may be (see HistoryFile).
struct HistoryPlace {
  std::string path;
  std::size_t kept = 0;
  std::string home;
  bool operator==(const HistoryPlace&) const = default;
};
std::optional<HistoryPlace> history_path(const char* state_home, const char* home);
// Whether XDG_STATE_HOME asks for no history file at all (/dev/null).
bool history_declined(const char* state_home);

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

// What keeps the history file from being used, beside the system's errors
// (errno values, all positive).
enum HistoryProblem : int {
  kHistoryLocked = -1,          // another process held the lock too long
  kHistoryForeignDir = -2,      // the state directory is another user's
  kHistoryOpenDir = -3,         // the state directory is writable by others
  kHistoryForeignFile = -4,     // the file is another user's
  kHistoryOpenFile = -5,        // the file is writable by others
  kHistoryForeignLink = -6,     // a symbolic link to another user's file
  kHistoryLongEntry = -7,       // an entry too long to keep was skipped
};

// The one notice about a history file that cannot be read or written:
// "{History not saved: PATH: WHY}", WHY the system's error text or the
// problem's.
std::string history_notice(std::string_view path, int problem);
// The notice when there is no home directory to keep the history in.
inline constexpr std::string_view kNoHomeNotice = "{History not saved: HOME is unset, empty or relative}";

// The history file of one session.
//
// Every change happens under an exclusive lock on the file, waited for a
// short time only, and is one append, or a complete new file renamed over
// the old one (sessions running at once keep each other's lines, and a
// reader never sees half an entry). Appending is the common path: the file
// is cut back to its last kHistoryKept entries only once it has grown to
// about twice their size, and entries are only ever read from the end.
//
// The file is used only when it is the user's, as ssh does with its own:
// the state directory and the file must belong to the effective user, to
// root or to the owner of `home`, and be writable by nobody else; a symbolic
// link is followed only to a file of the link's owner. A file that is
// neither a regular file nor a directory (/dev/null, a FIFO) is neither read
// nor written.
class HistoryFile {
 public:
  explicit HistoryFile(HistoryPlace place)
      : path_(std::move(place.path)), kept_(place.kept), home_(std::move(place.home)) {}
  explicit HistoryFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // Creates the missing directories (mode 0700) and the file (mode 0600),
  // removes what an interrupted rewrite left behind, and reads the last
  // kHistoryKept entries into `entries`. Returns 0, or the problem to notice:
  // after most, append() does nothing; a file that can be read but not
  // written still gives its entries; after kHistoryLocked and
  // kHistoryLongEntry append() goes on.
  int load(std::vector<std::string>& entries);

  // Appends `entry` unless it equals the file's last entry. An entry that
  // cannot be written now (the lock was held, the disk full) is kept and
  // written with the next one. Returns 0 or the problem.
  int append(std::string_view entry);

 private:
  // The file, opened and checked as the user's, with its directory; locked
  // exclusively (sure to be the file that the path names now: another
  // session may have renamed a new one into place).
  struct Opened;
  int open_checked(Opened& f, bool create);
  int lock_current(Opened& f);
  // Cuts the file back to its last kHistoryKept entries when it has grown
  // well past them.
  int compact(Opened& f, off_t size);

  std::string path_;
  std::size_t kept_ = 0;  // leading part of path_ never created
  std::string home_;
  bool writable_ = false;
  off_t kept_bytes_ = 0;  // size of the last kHistoryKept entries when last read
  std::vector<std::string> pending_;  // entries still to be written
};

}  // namespace zorm
