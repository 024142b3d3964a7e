// The history file: its place, its format, and locked appends and rewrites.
#include "terminal/history.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace zorm {

namespace {

constexpr std::string_view kLocalState = "/.local/state";
constexpr std::string_view kFileName = "/zorm/history";

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

// Reads the whole file from its start; 0 or the error.
int read_all(int fd, std::string& text) {
  text.clear();
  char buf[1 << 14];
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buf, sizeof buf, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    text.append(buf, static_cast<std::size_t>(n));
    at += n;
  }
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

int lock(int fd, int how) {
  while (::flock(fd, how) != 0)
    if (errno != EINTR) return errno;
  return 0;
}

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::optional<HistoryPlace> history_path(const char* state_home, const char* home) {
  auto without_slashes = [](std::string dir) {
    while (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir;  // empty for the root
  };
  HistoryPlace place;
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

std::string history_notice(std::string_view path, int error) {
  return "{History not saved: " + std::string(path) + ": " + std::strerror(error) + "}";
}

int HistoryFile::load(std::vector<std::string>& entries) {
  entries.clear();
  writable_ = false;
  if (int e = make_parent_dirs(path_, kept_)) return e;
  // Non-blocking, so that a FIFO in the file's place cannot hang the start.
  Fd file{::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600)};
  int write_error = 0;
  if (file.fd < 0) {
    write_error = errno;
    file.fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.fd < 0) return write_error;
  }
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return 0;  // /dev/null and the like: nothing kept
  std::string text;
  if (int e = lock(file.fd, LOCK_SH)) return e;
  if (int e = read_all(file.fd, text)) return e;
  entries = history_entries(text);
  if (entries.size() > kHistoryKept)
    entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(kHistoryKept));
  writable_ = write_error == 0;
  return write_error;
}

int HistoryFile::open_locked(int* fd) {
  for (;;) {
    int f = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (f < 0 && errno == ENOENT && make_parent_dirs(path_, kept_) == 0)  // removed meanwhile
      f = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (f < 0) return errno;
    Fd file{f};
    if (int e = lock(f, LOCK_EX)) return e;
    struct stat opened {};
    struct stat named {};
    if (::fstat(f, &opened) != 0) return errno;
    if (::stat(path_.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
      *fd = f;
      file.fd = -1;
      return 0;
    }
  }
}

int HistoryFile::append(std::string_view entry) {
  if (!writable_) return 0;
  Fd file;
  if (int e = open_locked(&file.fd)) return e;
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return 0;
  std::string text;
  if (int e = read_all(file.fd, text)) return e;
  std::vector<std::string> entries = history_entries(text);
  if (!entries.empty() && entries.back() == entry) return 0;
  if (entries.size() >= kHistoryKept) {
    entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(kHistoryKept - 1));
    entries.emplace_back(entry);
    return rewrite(file.fd, entries);
  }
  std::string record;
  if (!text.empty() && text.back() != '\n') record.push_back('\n');
  record += history_line(entry);
  record.push_back('\n');
  if (int e = write_all(file.fd, record)) {
    // Take back a partial record, so the file keeps whole entries.
    if (::ftruncate(file.fd, static_cast<off_t>(text.size())) != 0) {
      // The error already returned says what went wrong.
    }
    return e;
  }
  return 0;
}

// Writes the entries to a new file beside the old one (beside the file that
// a symbolic link names, so the link stays) and renames it into place.
int HistoryFile::rewrite(int fd, const std::vector<std::string>& entries) {
  char* resolved = ::realpath(path_.c_str(), nullptr);
  if (resolved == nullptr) return errno;
  std::string temp = std::string(resolved) + ".XXXXXX";
  const std::string target = resolved;
  std::free(resolved);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  Fd out{::mkstemp(temp.data())};
  if (out.fd < 0) return errno;
  int e = write_all(out.fd, history_text(entries));
  if (e == 0 && ::fchmod(out.fd, st.st_mode & 07777) != 0) e = errno;
  if (e == 0 && ::fsync(out.fd) != 0) e = errno;
  if (e == 0 && ::rename(temp.c_str(), target.c_str()) != 0) e = errno;
  if (e != 0) ::unlink(temp.c_str());
  return e;
}

}  // namespace zorm
