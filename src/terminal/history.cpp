// The history file: its place, its format, whose it may be, and locked
// appends, reads from the end and rewrites.
#include "terminal/history.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>

#include "terminal/signals.h"

namespace zorm {

namespace {

constexpr std::string_view kLocalState = "/.local/state";
constexpr std::string_view kFileName = "/zorm/history";
// How long the lock is waited for: a person at the terminal should not
// notice it, and a lock held for ever must not hang the session.
constexpr auto kLockWait = std::chrono::milliseconds(150);
// The file is cut back once it exceeds twice its kept entries and this.
constexpr off_t kCompactSlack = off_t{64} << 10;
// A line longer than this holds no entry that could be kept (every byte of
// an entry may take two in its line).
constexpr std::size_t kLineMax = 2 * kHistoryEntryMax;

bool absolute(const char* dir) { return dir != nullptr && dir[0] == '/'; }

// Creates every missing directory above `path` that is longer than its
// first `kept` bytes; 0 or the first error.
int make_parent_dirs(const std::string& path, std::size_t kept) {
  for (std::size_t i = path.find('/', kept + 1); i != std::string::npos; i = path.find('/', i + 1)) {
    const std::string dir = path.substr(0, i);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

int write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int pwrite_all(int fd, std::string_view text, off_t at) {
  while (!text.empty()) {
    const ssize_t n = ::pwrite(fd, text.data(), text.size(), at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
    at += n;
  }
  return 0;
}

// Reads exactly `size` bytes at `at`; 0 or the error (EIO for a file that
// shrank meanwhile, which the lock rules out).
int pread_all(int fd, char* data, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, data, size, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
    at += n;
  }
  return 0;
}

// The exclusive lock, waited for kLockWait at most.
int lock_briefly(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    if (std::chrono::steady_clock::now() >= deadline) return kHistoryLocked;
    const timespec pause{0, 5'000'000};
    ::nanosleep(&pause, nullptr);
  }
}

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset(int f = -1) {
    if (fd >= 0) ::close(fd);
    fd = f;
  }
};

// The signals that end a session wait while the file is rewritten, so that
// they cannot leave half a rewrite behind (SIGKILL still can: what it leaves
// is removed at the next start).
class EndingSignalsHeld {
 public:
  EndingSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kEndingSignals) sigaddset(&set, sig);
    held_ = ::sigprocmask(SIG_BLOCK, &set, &before_) == 0;
  }
  ~EndingSignalsHeld() {
    if (held_) ::sigprocmask(SIG_SETMASK, &before_, nullptr);
  }
  EndingSignalsHeld(const EndingSignalsHeld&) = delete;
  EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

 private:
  sigset_t before_{};
  bool held_ = false;
};

// The last `want` entries among the first `size` bytes of the file, read
// backwards from there, so that what comes before them costs nothing.
struct Tail {
  std::vector<std::string> entries;  // oldest first
  off_t start = 0;                   // where the line of the oldest begins; 0 when none was left out
  bool skipped = false;              // a line too long for an entry was passed over
  bool ends_line = true;             // the bytes end with a line feed (or there are none)
};

int read_tail(int fd, off_t size, std::size_t want, Tail& tail) {
  tail = Tail{};
  if (size == 0) return 0;
  char last = '\n';
  if (int e = pread_all(fd, &last, 1, size - 1)) return e;
  tail.ends_line = last == '\n';
  std::vector<std::string> newest_first;
  std::string line;  // the end of the line being read, whose start is not yet known
  bool too_long = false;
  // The line ends; it began at `begin`. True when enough entries are read.
  auto line_begins = [&](off_t begin) {
    if (too_long)
      tail.skipped = true;
    else if (!line.empty())
      newest_first.push_back(history_entry(line));
    line.clear();
    too_long = false;
    if (newest_first.size() < want) return false;
    tail.start = begin;
    return true;
  };
  bool enough = false;
  static constexpr std::size_t kBlock = 1 << 16;
  std::string block(kBlock, '\0');
  for (off_t hi = size; hi > 0 && !enough;) {
    const off_t lo = std::max<off_t>(0, hi - static_cast<off_t>(kBlock));
    const auto n = static_cast<std::size_t>(hi - lo);
    if (int e = pread_all(fd, block.data(), n, lo)) return e;
    for (std::size_t end = n;;) {
      const void* nl = end == 0 ? nullptr : ::memrchr(block.data(), '\n', end);
      const std::size_t from = nl == nullptr ? 0 : static_cast<std::size_t>(static_cast<const char*>(nl) - block.data()) + 1;
      if (!too_long) {
        if (line.size() + (end - from) > kLineMax) {
          too_long = true;
          line.clear();
        } else {
          line.insert(0, block, from, end - from);
        }
      }
      if (nl == nullptr) break;  // the line began in an earlier block
      if (line_begins(lo + static_cast<off_t>(from))) {
        enough = true;
        break;
      }
      end = from - 1;
    }
    hi = lo;
  }
  if (!enough) line_begins(0);
  if (newest_first.size() < want || !enough) tail.start = 0;
  tail.entries.assign(newest_first.rbegin(), newest_first.rend());
  return 0;
}

}  // namespace

std::optional<HistoryPlace> history_path(const char* state_home, const char* home) {
  auto without_slashes = [](std::string dir) {
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;  // empty for the root
  };
  HistoryPlace place;
  if (absolute(home)) place.home = home;
  if (absolute(state_home)) {
    place.path = without_slashes(state_home);
    if (place.path == "/dev/null") return std::nullopt;
  } else if (absolute(home)) {
    place.path = without_slashes(home);
    place.kept = place.path.size();
    place.path += kLocalState;
  } else {
    return std::nullopt;
  }
  place.path += kFileName;
  return place;
}

bool history_declined(const char* state_home) {
  if (!absolute(state_home)) return false;
  std::string_view dir(state_home);
  while (!dir.empty() && dir.back() == '/') dir.remove_suffix(1);
  return dir == "/dev/null";
}

std::string history_line(std::string_view entry) {
  std::string line;
  line.reserve(entry.size());
  for (char c : entry) {
    if (c == '\\')
      line += "\\\\";
    else if (c == '\n')
      line += "\\n";
    else
      line.push_back(c);
  }
  return line;
}

std::string history_entry(std::string_view line) {
  std::string entry;
  entry.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == 'n')) {
      entry.push_back(line[i + 1] == 'n' ? '\n' : '\\');
      ++i;
    } else {
      entry.push_back(line[i]);
    }
  }
  return entry;
}

std::vector<std::string> history_entries(std::string_view text) {
  std::vector<std::string> entries;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.empty()) entries.push_back(history_entry(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return entries;
}

std::string history_text(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    text += history_line(entry);
    text.push_back('\n');
  }
  return text;
}

bool worth_keeping(std::string_view line) {
  return line.find_first_not_of(" \t") != std::string_view::npos &&
         line.find('\0') == std::string_view::npos;
}

std::string history_notice(std::string_view path, int problem) {
  const char* why = nullptr;
  switch (problem) {
    case kHistoryLocked: why = "Locked by another process"; break;
    case kHistoryForeignDir: why = "Directory owned by another user"; break;
    case kHistoryOpenDir: why = "Directory writable by others"; break;
    case kHistoryForeignFile: why = "Owned by another user"; break;
    case kHistoryOpenFile: why = "Writable by others"; break;
    case kHistoryForeignLink: why = "Link to another user's file"; break;
    case kHistoryLongEntry:
      return "{History not saved: " + std::string(path) + ": Entry longer than " + std::to_string(kHistoryEntryMax) +
             " bytes skipped}";
    default: why = std::strerror(problem); break;
  }
  return "{History not saved: " + std::string(path) + ": " + why + "}";
}

struct HistoryFile::Opened {
  Fd dir;
  Fd file;
  std::string dir_path;
  std::string name;
  struct stat st {};
  bool regular = false;
  bool link = false;
  bool writable = false;
  int write_error = 0;  // why the file could only be opened for reading
};

int HistoryFile::open_checked(Opened& f, bool create) {
  const std::size_t slash = path_.rfind('/');
  f.dir_path = slash == 0 ? "/" : path_.substr(0, slash == std::string::npos ? 0 : slash);
  if (f.dir_path.empty()) f.dir_path = ".";
  f.name = path_.substr(slash == std::string::npos ? 0 : slash + 1);
  f.dir.reset(::open(f.dir_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (f.dir.fd < 0) return errno;
  // Whose files may be used: the effective user's, root's, and those of the
  // owner of the home directory (a session of root with a user's HOME keeps
  // that user's history, and the user keeps it afterwards).
  const uid_t self = ::geteuid();
  uid_t home_owner = self;
  struct stat hs {};
  if (!home_.empty() && ::stat(home_.c_str(), &hs) == 0) home_owner = hs.st_uid;
  auto trusted = [&](uid_t uid) { return uid == self || uid == 0 || uid == home_owner; };
  struct stat ds {};
  if (::fstat(f.dir.fd, &ds) != 0) return errno;
  if (!trusted(ds.st_uid)) return kHistoryForeignDir;
  if ((ds.st_mode & 022) != 0) return kHistoryOpenDir;

  struct stat ls {};
  f.link = ::fstatat(f.dir.fd, f.name.c_str(), &ls, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(ls.st_mode);
  // Non-blocking, so that a FIFO in the file's place cannot hang the session;
  // never created through a link, which could name a file anywhere.
  const int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  f.file.reset(::openat(f.dir.fd, f.name.c_str(), O_RDWR | O_APPEND | flags | (create && !f.link ? O_CREAT : 0), 0600));
  f.writable = f.file.fd >= 0;
  f.write_error = 0;
  if (f.file.fd < 0) {
    f.write_error = errno;
    f.file.reset(::openat(f.dir.fd, f.name.c_str(), O_RDONLY | flags));
    if (f.file.fd < 0) return f.write_error;
  }
  if (::fstat(f.file.fd, &f.st) != 0) return errno;
  if (S_ISDIR(f.st.st_mode)) return EISDIR;
  f.regular = S_ISREG(f.st.st_mode);
  if (!f.regular) return 0;  // /dev/null and the like: left alone, whoever's they are
  if (f.link && f.st.st_uid != ls.st_uid) return kHistoryForeignLink;
  if (!trusted(f.st.st_uid)) return kHistoryForeignFile;
  if ((f.st.st_mode & 022) != 0) return kHistoryOpenFile;
  return 0;
}

int HistoryFile::lock_current(Opened& f) {
  for (int tries = 0;; ++tries) {
    if (int e = open_checked(f, true)) return e;
    if (!f.regular) return 0;
    if (int e = lock_briefly(f.file.fd)) return e;
    struct stat named {};
    if (::fstatat(f.dir.fd, f.name.c_str(), &named, 0) == 0 && named.st_ino == f.st.st_ino &&
        named.st_dev == f.st.st_dev) {
      if (::fstat(f.file.fd, &f.st) != 0) return errno;  // its size under the lock
      return 0;
    }
    if (tries == 100) return kHistoryLocked;  // replaced again and again
  }
}

namespace {

// Removes the new files of rewrites that were cut short (their names are the
// file's name, a dot and six characters). Called under the lock, when no
// rewrite can be under way.
void sweep_rewrites(int dir, const std::string& name) {
  const int listing = ::dup(dir);
  if (listing < 0) return;
  DIR* d = ::fdopendir(listing);
  if (d == nullptr) {
    ::close(listing);
    return;
  }
  const uid_t self = ::geteuid();
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view n(e->d_name);
    if (n.size() != name.size() + 7 || n.substr(0, name.size()) != name || n[name.size()] != '.') continue;
    struct stat st {};
    if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) && st.st_uid == self)
      stale.emplace_back(n);
  }
  ::closedir(d);
  for (const std::string& n : stale) ::unlinkat(dir, n.c_str(), 0);
}

}  // namespace

int HistoryFile::load(std::vector<std::string>& entries) {
  entries.clear();
  writable_ = false;
  if (int e = make_parent_dirs(path_, kept_)) return e;
  Opened f;
  if (int e = lock_current(f)) {
    // Held by someone else: the session goes on without the file's entries,
    // and its own are written once the lock is free.
    if (e == kHistoryLocked) writable_ = true;
    return e;
  }
  if (!f.regular) return 0;
  if (f.st.st_size > kHistoryFileMax) return EFBIG;
  if (f.writable) sweep_rewrites(f.dir.fd, f.name);
  Tail tail;
  if (int e = read_tail(f.file.fd, f.st.st_size, kHistoryKept, tail)) return e;
  entries = std::move(tail.entries);
  kept_bytes_ = f.st.st_size - tail.start;
  writable_ = f.writable;
  if (!f.writable) return f.write_error;
  return tail.skipped ? kHistoryLongEntry : 0;
}

int HistoryFile::append(std::string_view entry) {
  if (!writable_) return 0;
  if (entry.size() > kHistoryEntryMax) return kHistoryLongEntry;
  pending_.emplace_back(entry);
  if (pending_.size() > kHistoryKept) pending_.erase(pending_.begin());
  Opened f;
  if (int e = lock_current(f)) return e;
  if (!f.regular) {
    pending_.clear();
    return 0;
  }
  if (!f.writable) return f.write_error;
  const off_t size = f.st.st_size;
  if (size > kHistoryFileMax) {
    // Grown past what the history handles (by something else): left alone.
    writable_ = false;
    pending_.clear();
    return EFBIG;
  }
  Tail last;
  if (int e = read_tail(f.file.fd, size, 1, last)) return e;
  std::string record;
  const std::string* previous = last.entries.empty() ? nullptr : &last.entries.back();
  for (const std::string& p : pending_) {
    if (previous != nullptr && *previous == p) continue;
    record += history_line(p);
    record.push_back('\n');
    previous = &p;
  }
  pending_.clear();
  if (record.empty()) return 0;
  if (!last.ends_line) record.insert(record.begin(), '\n');
  if (int e = write_all(f.file.fd, record)) {
    // Take back a partial record, so the file keeps whole entries.
    if (::ftruncate(f.file.fd, size) != 0) {
      // The error returned says what went wrong.
    }
    return e;
  }
  const off_t grown = size + static_cast<off_t>(record.size());
  if (grown > 2 * kept_bytes_ + kCompactSlack) return compact(f, grown);
  return 0;
}

// The entries kept go to a new file renamed over the old one, which keeps
// the old one's owner and mode. Where that cannot be (a file with more than
// one name, a symbolic link, a directory where no file can be made, an owner
// that cannot be given), the file is rewritten in place, under the lock.
int HistoryFile::compact(Opened& f, off_t size) {
  Tail tail;
  if (int e = read_tail(f.file.fd, size, kHistoryKept, tail)) return e;
  kept_bytes_ = size - tail.start;
  if (tail.start == 0) return 0;  // nothing beyond the entries kept
  const std::string text = history_text(tail.entries);
  kept_bytes_ = static_cast<off_t>(text.size());
  const EndingSignalsHeld held;
  if (!f.link && f.st.st_nlink == 1) {
    std::string temp = f.dir_path + "/" + f.name + ".XXXXXX";
    Fd out(::mkstemp(temp.data()));
    const std::string temp_name = temp.substr(temp.size() - f.name.size() - 7);
    if (out.fd >= 0) {
      int e = write_all(out.fd, text);
      if (e == 0 && (f.st.st_uid != ::geteuid() || f.st.st_gid != ::getegid()) &&
          ::fchown(out.fd, f.st.st_uid, f.st.st_gid) != 0)
        e = errno;
      if (e == 0 && ::fchmod(out.fd, f.st.st_mode & 07777) != 0) e = errno;
      if (e == 0 && ::fsync(out.fd) != 0) e = errno;
      if (e == 0 && ::renameat(f.dir.fd, temp_name.c_str(), f.dir.fd, f.name.c_str()) != 0) e = errno;
      if (e == 0) return 0;
      ::unlinkat(f.dir.fd, temp_name.c_str(), 0);
    }
  }
  // In place: the kept text over the file's start, then the rest cut off.
  // Writes at an offset need the descriptor without O_APPEND.
  const int flags = ::fcntl(f.file.fd, F_GETFL);
  if (flags < 0 || ::fcntl(f.file.fd, F_SETFL, flags & ~O_APPEND) != 0) return errno;
  if (int e = pwrite_all(f.file.fd, text, 0)) return e;
  if (::ftruncate(f.file.fd, static_cast<off_t>(text.size())) != 0) return errno;
  return 0;
}

}  // namespace zorm
